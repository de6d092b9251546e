import os
from typing import Any, Mapping

FIELDS: tuple[str, ...]
SEGMENT_FIELDS: tuple[str, ...]

def read(path: str | os.PathLike[str]) -> dict[str, Any]: ...
def write(path: str | os.PathLike[str], rupture: Mapping[str, Any], *,
          version: str | None = ...) -> None: ...

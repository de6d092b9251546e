import os
from typing import Any, Mapping

import numpy as np
import numpy.typing as npt

FIELDS: tuple[str, ...]
SEGMENT_FIELDS: tuple[str, ...]

def read(path: str | os.PathLike[str]) -> dict[str, Any]: ...
def write(path: str | os.PathLike[str], rupture: Mapping[str, Any], *,
          version: str | None = ...) -> None: ...
def moment_rate(rupture: str | os.PathLike[str] | Mapping[str, Any], *, dt: float | None = ...,
                rigidity: float | None = ...) -> tuple[npt.NDArray[np.float64],
                                                       npt.NDArray[np.float64]]: ...

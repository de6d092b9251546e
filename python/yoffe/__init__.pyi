# Types of the package yoffe: every function takes array_like numbers and
# gives a numpy scalar for scalar input, else an array of the broadcast
# shape (float32 for float32 input, else float64).
from typing import Any, Tuple

import numpy as np
import numpy.typing as npt

from . import srf as srf, ufunc as ufunc

__version__: str
__all__: list[str]

_Result = Any  # np.floating[Any] | npt.NDArray[np.floating[Any]], or a dask array

def slip_rate(t: npt.ArrayLike, /, *, taus: npt.ArrayLike, taur: npt.ArrayLike,
              out: npt.NDArray[np.floating[Any]] | None = ..., **kwargs: Any) -> _Result: ...
def slip(t: npt.ArrayLike, /, *, taus: npt.ArrayLike, taur: npt.ArrayLike,
         out: npt.NDArray[np.floating[Any]] | None = ..., **kwargs: Any) -> _Result: ...
def slip_acceleration(t: npt.ArrayLike, /, *, taus: npt.ArrayLike, taur: npt.ArrayLike,
                      out: npt.NDArray[np.floating[Any]] | None = ...,
                      **kwargs: Any) -> _Result: ...
def amplitude_spectrum(f: npt.ArrayLike, /, *, taus: npt.ArrayLike, taur: npt.ArrayLike,
                       out: npt.NDArray[np.floating[Any]] | None = ...,
                       **kwargs: Any) -> _Result: ...
def peak_time(*, taus: npt.ArrayLike, taur: npt.ArrayLike,
              out: npt.NDArray[np.floating[Any]] | None = ..., **kwargs: Any) -> _Result: ...
def from_tacc_teff(*, tacc: npt.ArrayLike, teff: npt.ArrayLike,
                   out: Tuple[npt.NDArray[np.floating[Any]], npt.NDArray[np.floating[Any]]]
                   | None = ..., **kwargs: Any) -> Tuple[_Result, _Result]: ...
def slip_rate_average(t: npt.ArrayLike, /, *, dt: npt.ArrayLike, taus: npt.ArrayLike,
                      taur: npt.ArrayLike, out: npt.NDArray[np.floating[Any]] | None = ...,
                      **kwargs: Any) -> _Result: ...
def complex_spectrum(f: npt.ArrayLike, /, *, taus: npt.ArrayLike, taur: npt.ArrayLike,
                     out: npt.NDArray[np.complexfloating[Any, Any]] | None = ...,
                     **kwargs: Any) -> _Result: ...
def moment_rate(*, onset: npt.ArrayLike, taus: npt.ArrayLike, taur: npt.ArrayLike,
                weight: npt.ArrayLike, t0: float, dt: float, n: int,
                sampling: str = ...) -> npt.NDArray[np.float64]: ...
def moment_rate_spectrum(f: npt.ArrayLike, /, *, onset: npt.ArrayLike, taus: npt.ArrayLike,
                         taur: npt.ArrayLike, weight: npt.ArrayLike) -> Any: ...
def moment_rate_centroid(*, onset: npt.ArrayLike, taus: npt.ArrayLike, taur: npt.ArrayLike,
                         weight: npt.ArrayLike) -> Tuple[float, float, float]: ...

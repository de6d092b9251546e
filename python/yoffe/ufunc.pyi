import numpy as np

slip_rate: np.ufunc
slip: np.ufunc
slip_acceleration: np.ufunc
amplitude_spectrum: np.ufunc
peak_time: np.ufunc
from_tacc_teff: np.ufunc
valid_source: np.ufunc
slip_rate_average: np.ufunc
complex_spectrum: np.ufunc

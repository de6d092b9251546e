// The package's compiled core: numpy ufuncs over libyoffe's C interface,
// compiled into the extension with the library's own sources (setup.py).
//
//   slip_rate, slip, slip_acceleration, amplitude_spectrum (x, taus, taur)
//   peak_time (taus, taur)
//   from_tacc_teff (tacc, teff) -> (taus, taur)
//   valid_source (taus, taur) -> bool
//   slip_rate_average (t, dt, taus, taur), complex_spectrum (f, taus, taur)
//   _moment_rate, _moment_rate_spectrum: the sums over sources
//
// Each has a float64 loop and a float32 one (computed in double, rounded
// once on the way out), so float32 arrays are taken as they are.  numpy
// releases the GIL around the loops, which touch no Python object.  A loop
// never raises: an element whose source the library refuses gets NaN.  The
// Python functions check the sources first, and name the rule and the
// index of the first bad one.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/arrayobject.h>
#include <numpy/ufuncobject.h>

#include <cstddef>
#include <cstring>
#include <limits>

#include "yoffe/stf.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Elements per call of the library where the inputs must be gathered: the
// loop's strides are not those of doubles, or the type is float32.
constexpr npy_intp kBlock = 256;

using History = int (*)(double, double, size_t, const double*, double*);

template <class T>
double load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return static_cast<double>(v);
}

template <class T>
void store(char* p, double v) {
  const T w = static_cast<T>(v);
  std::memcpy(p, &w, sizeof w);
}

// One call of the library over count elements of the same source, gathered
// into a buffer unless they are contiguous doubles already.
template <History history, class T>
void evaluate_run(double taus, double taur, npy_intp count, const char* in, npy_intp in_step,
                  char* out, npy_intp out_step) {
  if constexpr (sizeof(T) == sizeof(double)) {
    if (in_step == sizeof(double) && out_step == sizeof(double)) {
      auto* o = reinterpret_cast<double*>(out);
      if (history(taus, taur, static_cast<size_t>(count), reinterpret_cast<const double*>(in),
                  o) != YOFFE_OK) {
        for (npy_intp i = 0; i < count; ++i) o[i] = kNaN;
      }
      return;
    }
  }
  double x[kBlock];
  double y[kBlock];
  for (npy_intp done = 0; done < count; done += kBlock) {
    const npy_intp m = count - done < kBlock ? count - done : kBlock;
    for (npy_intp i = 0; i < m; ++i) x[i] = load<T>(in + (done + i) * in_step);
    if (history(taus, taur, static_cast<size_t>(m), x, y) != YOFFE_OK) {
      for (npy_intp i = 0; i < m; ++i) y[i] = kNaN;
    }
    for (npy_intp i = 0; i < m; ++i) store<T>(out + (done + i) * out_step, y[i]);
  }
}

// (x, taus, taur) -> value: a source the same for the whole loop (the
// common case of scalar parameters) is one call of the library; else one
// call per element.
template <History history, class T>
void history_loop(char** args, const npy_intp* dimensions, const npy_intp* steps, void*) {
  const npy_intp n = dimensions[0];
  if (steps[1] == 0 && steps[2] == 0) {
    evaluate_run<history, T>(load<T>(args[1]), load<T>(args[2]), n, args[0], steps[0], args[3],
                             steps[3]);
    return;
  }
  for (npy_intp i = 0; i < n; ++i) {
    evaluate_run<history, T>(load<T>(args[1] + i * steps[1]), load<T>(args[2] + i * steps[2]), 1,
                             args[0] + i * steps[0], steps[0], args[3] + i * steps[3], steps[3]);
  }
}

template <class T>
void peak_time_loop(char** args, const npy_intp* dimensions, const npy_intp* steps, void*) {
  for (npy_intp i = 0; i < dimensions[0]; ++i) {
    double tpeak = kNaN;
    if (yoffe_peak_time(load<T>(args[0] + i * steps[0]), load<T>(args[1] + i * steps[1]),
                        &tpeak) != YOFFE_OK) {
      tpeak = kNaN;
    }
    store<T>(args[2] + i * steps[2], tpeak);
  }
}

template <class T>
void from_tacc_teff_loop(char** args, const npy_intp* dimensions, const npy_intp* steps, void*) {
  for (npy_intp i = 0; i < dimensions[0]; ++i) {
    double taus = kNaN;
    double taur = kNaN;
    if (yoffe_from_tacc_teff(load<T>(args[0] + i * steps[0]), load<T>(args[1] + i * steps[1]),
                             &taus, &taur) != YOFFE_OK) {
      taus = taur = kNaN;
    }
    store<T>(args[2] + i * steps[2], taus);
    store<T>(args[3] + i * steps[3], taur);
  }
}

// Whether the library takes the source: the same check as every call's.
template <class T>
void valid_source_loop(char** args, const npy_intp* dimensions, const npy_intp* steps, void*) {
  for (npy_intp i = 0; i < dimensions[0]; ++i) {
    const int status = yoffe_slip_rate(load<T>(args[0] + i * steps[0]),
                                       load<T>(args[1] + i * steps[1]), 0, nullptr, nullptr);
    const npy_bool valid = status == YOFFE_OK ? NPY_TRUE : NPY_FALSE;
    std::memcpy(args[2] + i * steps[2], &valid, sizeof valid);
  }
}

// (t, dt, taus, taur) -> the slip rate averaged over [t - dt/2, t + dt/2].
template <class T>
void average_loop(char** args, const npy_intp* dimensions, const npy_intp* steps, void*) {
  for (npy_intp i = 0; i < dimensions[0]; ++i) {
    double value = kNaN;
    if (yoffe_slip_rate_average(load<T>(args[2] + i * steps[2]), load<T>(args[3] + i * steps[3]),
                                load<T>(args[0] + i * steps[0]), load<T>(args[1] + i * steps[1]),
                                1, &value) != YOFFE_OK) {
      value = kNaN;
    }
    store<T>(args[4] + i * steps[4], value);
  }
}

// (f, taus, taur) -> X(f), complex: float64 and float32 parts.
template <class T>
void transform_loop(char** args, const npy_intp* dimensions, const npy_intp* steps, void*) {
  for (npy_intp i = 0; i < dimensions[0]; ++i) {
    const double f = load<T>(args[0] + i * steps[0]);
    double x[2] = {kNaN, kNaN};
    if (yoffe_complex_spectrum(load<T>(args[1] + i * steps[1]), load<T>(args[2] + i * steps[2]),
                               1, &f, x) != YOFFE_OK) {
      x[0] = x[1] = kNaN;
    }
    store<T>(args[3] + i * steps[3], x[0]);
    store<T>(args[3] + i * steps[3] + sizeof(T), x[1]);
  }
}

// The loops and type signatures of one ufunc, kept for the module's life;
// float32 first, as numpy takes the first loop that the inputs cast to
// safely.
template <int kArguments>
struct Loops {
  PyUFuncGenericFunction functions[2];
  void* data[2];
  char types[2 * kArguments];
};

template <History history>
Loops<4> history_loops() {
  return {{history_loop<history, float>, history_loop<history, double>},
          {nullptr, nullptr},
          {NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE,
           NPY_DOUBLE}};
}

Loops<4> slip_rate_loops = history_loops<yoffe_slip_rate>();
Loops<4> slip_loops = history_loops<yoffe_slip>();
Loops<4> slip_acceleration_loops = history_loops<yoffe_slip_acceleration>();
Loops<4> amplitude_loops = history_loops<yoffe_amplitude_spectrum>();
Loops<3> peak_time_loops = {{peak_time_loop<float>, peak_time_loop<double>},
                            {nullptr, nullptr},
                            {NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE}};
Loops<4> from_tacc_teff_loops = {
    {from_tacc_teff_loop<float>, from_tacc_teff_loop<double>},
    {nullptr, nullptr},
    {NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE}};
Loops<3> valid_source_loops = {{valid_source_loop<float>, valid_source_loop<double>},
                               {nullptr, nullptr},
                               {NPY_FLOAT, NPY_FLOAT, NPY_BOOL, NPY_DOUBLE, NPY_DOUBLE, NPY_BOOL}};

Loops<5> average_loops = {{average_loop<float>, average_loop<double>},
                          {nullptr, nullptr},
                          {NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_DOUBLE,
                           NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE}};
Loops<4> transform_loops = {
    {transform_loop<float>, transform_loop<double>},
    {nullptr, nullptr},
    {NPY_FLOAT, NPY_FLOAT, NPY_FLOAT, NPY_CFLOAT, NPY_DOUBLE, NPY_DOUBLE, NPY_DOUBLE, NPY_CDOUBLE}};

// Adds the ufunc to the module; false with the Python error set on failure.
template <int kArguments>
bool add_ufunc(PyObject* module, Loops<kArguments>& loops, int inputs, const char* name,
               const char* doc) {
  PyObject* ufunc = PyUFunc_FromFuncAndData(loops.functions, loops.data, loops.types, 2, inputs,
                                            kArguments - inputs, PyUFunc_None, name, doc, 0);
  if (ufunc == nullptr) return false;
  if (PyModule_AddObject(module, name, ufunc) < 0) {
    Py_DECREF(ufunc);
    return false;
  }
  return true;
}

// _moment_rate(sources, t0, dt, averaged, out) and
// _moment_rate_spectrum(sources, f, out): sources a contiguous buffer of
// yoffe_source records, out a writable contiguous float64 buffer (complex
// pairs for the spectrum), f contiguous float64.  Return the index of the
// first bad source, or the number of sources when all are good (then out
// is written); the library runs without the GIL.
PyObject* moment_rate(PyObject*, PyObject* args) {
  Py_buffer sources;
  Py_buffer out;
  double t0 = 0.0;
  double dt = 0.0;
  int averaged = 1;
  if (!PyArg_ParseTuple(args, "y*ddpw*", &sources, &t0, &dt, &averaged, &out)) return nullptr;
  const size_t n_sources = static_cast<size_t>(sources.len) / sizeof(yoffe_source);
  const size_t n = static_cast<size_t>(out.len) / sizeof(double);
  size_t bad = n_sources;
  PyThreadState* state = PyEval_SaveThread();
  const int status = yoffe_moment_rate(static_cast<const yoffe_source*>(sources.buf), n_sources,
                                       t0, dt, n, averaged, static_cast<double*>(out.buf), &bad);
  PyEval_RestoreThread(state);
  PyBuffer_Release(&sources);
  PyBuffer_Release(&out);
  if (status != YOFFE_OK && bad == n_sources) {
    PyErr_SetString(PyExc_ValueError,
                    "t0 and dt must be finite, dt > 0, and the grid's ends finite");
    return nullptr;
  }
  return PyLong_FromSize_t(bad);
}

PyObject* moment_rate_spectrum(PyObject*, PyObject* args) {
  Py_buffer sources;
  Py_buffer f;
  Py_buffer out;
  if (!PyArg_ParseTuple(args, "y*y*w*", &sources, &f, &out)) return nullptr;
  const size_t n_sources = static_cast<size_t>(sources.len) / sizeof(yoffe_source);
  const size_t n = static_cast<size_t>(f.len) / sizeof(double);
  size_t bad = n_sources;
  if (static_cast<size_t>(out.len) == 2 * n * sizeof(double)) {
    PyThreadState* state = PyEval_SaveThread();
    yoffe_moment_rate_spectrum(static_cast<const yoffe_source*>(sources.buf), n_sources, n,
                               static_cast<const double*>(f.buf), static_cast<double*>(out.buf),
                               &bad);
    PyEval_RestoreThread(state);
  }
  PyBuffer_Release(&sources);
  PyBuffer_Release(&f);
  PyBuffer_Release(&out);
  return PyLong_FromSize_t(bad);
}

// _moment_rate_centroid(sources) -> (bad, total, centroid, duration).
PyObject* moment_rate_centroid(PyObject*, PyObject* args) {
  Py_buffer sources;
  if (!PyArg_ParseTuple(args, "y*", &sources)) return nullptr;
  const size_t n_sources = static_cast<size_t>(sources.len) / sizeof(yoffe_source);
  size_t bad = n_sources;
  double total = kNaN;
  double centroid = kNaN;
  double duration = kNaN;
  const int status = yoffe_moment_rate_centroid(static_cast<const yoffe_source*>(sources.buf),
                                                n_sources, &total, &centroid, &duration, &bad);
  PyBuffer_Release(&sources);
  if (status != YOFFE_OK && bad == n_sources) bad = n_sources + 1;  // weights summing to 0
  return Py_BuildValue("nddd", static_cast<Py_ssize_t>(bad), total, centroid, duration);
}

PyMethodDef core_methods[] = {
    {"_moment_rate", moment_rate, METH_VARARGS, "the sum over sources on a grid"},
    {"_moment_rate_spectrum", moment_rate_spectrum, METH_VARARGS, "its spectrum"},
    {"_moment_rate_centroid", moment_rate_centroid, METH_VARARGS, "its centroid and duration"},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef core_module = {PyModuleDef_HEAD_INIT,
                           "yoffe._core",
                           "numpy ufuncs over libyoffe (see the package yoffe).",
                           -1,
                           core_methods,
                           nullptr,
                           nullptr,
                           nullptr,
                           nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__core() {
  import_array();
  import_umath();
  PyObject* module = PyModule_Create(&core_module);
  if (module == nullptr) return nullptr;
  const bool added =
      add_ufunc(module, slip_rate_loops, 3, "slip_rate",
                "slip_rate(t, taus, taur): slip rate (1/s) for unit final slip.") &&
      add_ufunc(module, slip_loops, 3, "slip", "slip(t, taus, taur): slip, 0 to 1.") &&
      add_ufunc(module, slip_acceleration_loops, 3, "slip_acceleration",
                "slip_acceleration(t, taus, taur): slip acceleration (1/s^2).") &&
      add_ufunc(module, amplitude_loops, 3, "amplitude_spectrum",
                "amplitude_spectrum(f, taus, taur): |X(f)| of the slip rate.") &&
      add_ufunc(module, peak_time_loops, 2, "peak_time",
                "peak_time(taus, taur): the slip rate's peak time (s).") &&
      add_ufunc(module, from_tacc_teff_loops, 2, "from_tacc_teff",
                "from_tacc_teff(tacc, teff) -> (taus, taur), in s.") &&
      add_ufunc(module, average_loops, 4, "slip_rate_average",
                "slip_rate_average(t, dt, taus, taur): the slip rate averaged over "
                "[t - dt/2, t + dt/2].") &&
      add_ufunc(module, transform_loops, 3, "complex_spectrum",
                "complex_spectrum(f, taus, taur): X(f) of the slip rate.") &&
      add_ufunc(module, valid_source_loops, 2, "valid_source",
                "valid_source(taus, taur): whether the library takes the source.") &&
      PyModule_AddStringConstant(module, "version", YOFFE_VERSION) == 0;
  if (!added) {
    Py_DECREF(module);
    return nullptr;
  }
  return module;
}

// The package's SRF files: yoffe.srf's read and write over the C++ reader
// and writer (lib/srf), compiled into the extension with their sources
// (setup.py).  The arrays cross as a few large ones; yoffe/srf.py names
// their columns.
//
//   read(path) -> (version, comments, segments, blocks, fields, offsets,
//                  (sr1, sr2, sr3))
//   write(path, version, comments, segments, blocks, fields, offsets,
//         sr1, sr2, sr3)
//   moment_rate_of_file(path, dt, rigidity),
//   moment_rate_of_arrays(fields, offsets, sr1, sr2, sr3, dt, rigidity)
//       -> (first step, dt, values): yoffe::srf::MomentRate's function,
//       dt 0 for the first point's DT, rigidity 0 for none
//
// segments: float64 (segments, 11), the PLANE fields in their order;
// blocks: int64, each POINTS block's count; fields: float64 (points, 14),
// LON LAT DEP STK DIP AREA TINIT DT VS DEN RAKE SLIP1 SLIP2 SLIP3;
// offsets: int64 (3, points + 1), point i's samples of axis a at
// sr[a][offsets[a, i]:offsets[a, i + 1]].  A bad file raises ValueError
// with the reader's "NAME:LINE: ..." message, a file that cannot be opened,
// read or written OSError.  write writes a temporary file beside the
// target and renames it over the target (yoffe::srf::ReplacedFile), so
// that a failure replaces nothing.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/arrayobject.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ios>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "yoffe/srf.hpp"

namespace {

constexpr int kFields = 14;

// A point's fields in the order of the arrays' columns.
using yoffe::srf::Point;
constexpr double Point::*kPointFields[kFields] = {
    &Point::lon,  &Point::lat,   &Point::dep,   &Point::stk,  &Point::dip,
    &Point::area, &Point::tinit, &Point::dt,    &Point::vs,   &Point::den,
    &Point::rake, &Point::slip1, &Point::slip2, &Point::slip3};

// Point i of the arrays: row i of fields (points x kFields), and each
// axis's samples sr[axis][offsets[axis, i]:offsets[axis, i + 1]] (offsets
// 3 x (n + 1)).  Never fails but for std::bad_alloc.
void take_point(Point& p, npy_intp i, npy_intp n, const double* fields, const long long* offsets,
                const double* const sr[3]) {
  for (int k = 0; k < kFields; ++k) p.*kPointFields[k] = fields[i * kFields + k];
  std::vector<double>* axes[3] = {&p.sr1, &p.sr2, &p.sr3};
  for (int axis = 0; axis < 3; ++axis) {
    const long long* o = offsets + axis * (n + 1);
    axes[axis]->assign(sr[axis] + o[i], sr[axis] + o[i + 1]);
  }
}
constexpr int kSegmentFields = 11;

// A new numpy array of the shape, its data copied from `data`.
template <class T>
PyObject* array_of(const std::vector<T>& data, int type, npy_intp rows, npy_intp columns = 0) {
  npy_intp shape[2] = {rows, columns};
  PyObject* a = PyArray_SimpleNew(columns > 0 ? 2 : 1, shape, type);
  if (a != nullptr && !data.empty()) {
    std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(a)), data.data(),
                data.size() * sizeof(T));
  }
  return a;
}

PyObject* os_error(const std::string& path) {
  const int error = errno != 0 ? errno : EIO;
  PyObject* name = PyUnicode_DecodeFSDefault(path.c_str());
  PyObject* args = Py_BuildValue("(isO)", error, std::strerror(error), name);
  Py_XDECREF(name);
  if (args != nullptr) {
    PyErr_SetObject(PyExc_OSError, args);
    Py_DECREF(args);
  }
  return nullptr;
}

// How a reading of an SRF file ended: the file could not be opened or
// read (errno kept), or a message: the reader's, the caller's, or "\n"
// for no memory; nothing of these when it went well.
struct Reading {
  bool cannot_read = false;
  int read_errno = 0;
  std::string message;
};

// Opens the SRF file at path and hands its reader to visit(reader,
// message), which reads what it needs (and may set message); catches
// what the reading throws.  Takes no Python object: it runs without the
// GIL.
template <class Visit>
Reading read_srf(const std::string& path, Visit visit) {
  Reading r;
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    r.cannot_read = true;
    r.read_errno = errno;
    return r;
  }
  try {
    yoffe::srf::Reader reader(in, path);
    visit(reader, r.message);
  } catch (const yoffe::srf::Error& e) {
    // A stream that failed is the file system's failure, not the file's.
    r.cannot_read = in.bad();
    r.read_errno = errno;
    r.message = e.what();
  } catch (const std::bad_alloc&) {
    r.message = "\n";
  }
  return r;
}

// Sets the Python error of a reading that failed (OSError, MemoryError or
// ValueError) and returns true; false for one that went well.
bool raised(const Reading& r, const std::string& path) {
  if (r.cannot_read) {
    errno = r.read_errno;
    os_error(path);
  } else if (r.message == "\n") {
    PyErr_NoMemory();
  } else if (!r.message.empty()) {
    PyErr_SetString(PyExc_ValueError, r.message.c_str());
  }
  return r.cannot_read || !r.message.empty();
}

PyObject* read(PyObject*, PyObject* args) {
  PyObject* path_object = nullptr;
  if (!PyArg_ParseTuple(args, "O&", PyUnicode_FSConverter, &path_object)) return nullptr;
  const std::string path = PyBytes_AS_STRING(path_object);
  Py_DECREF(path_object);
  std::vector<double> segments, fields, samples[3];
  std::vector<long long> blocks, offsets[3];
  std::string version;
  std::vector<std::string> comments;
  Reading reading;
  Py_BEGIN_ALLOW_THREADS;
  reading = read_srf(path, [&](yoffe::srf::Reader& reader, std::string&) {
    version = reader.header().version;
    comments = reader.header().comments;
    for (const yoffe::srf::Segment& s : reader.header().segments) {
      segments.insert(segments.end(),
                      {s.elon, s.elat, static_cast<double>(s.nstk), static_cast<double>(s.ndip),
                       s.len, s.wid, s.stk, s.dip, s.dtop, s.shyp, s.dhyp});
    }
    for (auto& o : offsets) o.push_back(0);
    Point p;
    while (reader.next(p)) {
      // Blocks of no points, which next() passes over, count too.
      while (static_cast<long>(blocks.size()) < reader.blocks_read()) blocks.push_back(0);
      ++blocks.back();
      for (const auto field : kPointFields) fields.push_back(p.*field);
      const std::vector<double>* sr[3] = {&p.sr1, &p.sr2, &p.sr3};
      for (int a = 0; a < 3; ++a) {
        samples[a].insert(samples[a].end(), sr[a]->begin(), sr[a]->end());
        offsets[a].push_back(static_cast<long long>(samples[a].size()));
      }
    }
    while (static_cast<long>(blocks.size()) < reader.blocks_read()) blocks.push_back(0);
  });
  Py_END_ALLOW_THREADS;
  if (raised(reading, path)) return nullptr;
  const auto n = static_cast<npy_intp>(fields.size() / kFields);
  PyObject* comment_list = PyList_New(static_cast<Py_ssize_t>(comments.size()));
  for (std::size_t i = 0; comment_list != nullptr && i < comments.size(); ++i) {
    PyList_SET_ITEM(comment_list, static_cast<Py_ssize_t>(i),
                    PyUnicode_DecodeUTF8(comments[i].data(),
                                         static_cast<Py_ssize_t>(comments[i].size()), "replace"));
  }
  std::vector<long long> all_offsets;
  for (const auto& o : offsets) all_offsets.insert(all_offsets.end(), o.begin(), o.end());
  return Py_BuildValue(
      "(sNNNNN(NNN))", version.c_str(), comment_list,
      array_of(segments, NPY_FLOAT64, static_cast<npy_intp>(segments.size() / kSegmentFields),
               kSegmentFields),
      array_of(blocks, NPY_INT64, static_cast<npy_intp>(blocks.size())),
      array_of(fields, NPY_FLOAT64, n, kFields), array_of(all_offsets, NPY_INT64, 3, n + 1),
      array_of(samples[0], NPY_FLOAT64, static_cast<npy_intp>(samples[0].size())),
      array_of(samples[1], NPY_FLOAT64, static_cast<npy_intp>(samples[1].size())),
      array_of(samples[2], NPY_FLOAT64, static_cast<npy_intp>(samples[2].size())));
}

// The array as a C-contiguous one of the type and dimensions, or null with
// TypeError or ValueError set.
PyArrayObject* contiguous(PyObject* o, int type, int dimensions) {
  return reinterpret_cast<PyArrayObject*>(
      PyArray_FROMANY(o, type, dimensions, dimensions, NPY_ARRAY_IN_ARRAY | NPY_ARRAY_FORCECAST));
}

PyObject* write(PyObject*, PyObject* args) {
  PyObject* path_object = nullptr;
  const char* version = nullptr;
  PyObject* comment_list = nullptr;
  PyObject* objects[7] = {};
  if (!PyArg_ParseTuple(args, "O&sOOOOOOOO", PyUnicode_FSConverter, &path_object, &version,
                        &comment_list, &objects[0], &objects[1], &objects[2], &objects[3],
                        &objects[4], &objects[5], &objects[6])) {
    return nullptr;
  }
  const std::string path = PyBytes_AS_STRING(path_object);
  Py_DECREF(path_object);
  yoffe::srf::Header header;
  header.version = version;
  PyObject* sequence = PySequence_Fast(comment_list, "comments must be a sequence of str");
  if (sequence == nullptr) return nullptr;
  for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(sequence); ++i) {
    const char* text = PyUnicode_AsUTF8(PySequence_Fast_GET_ITEM(sequence, i));
    if (text == nullptr) {
      Py_DECREF(sequence);
      return nullptr;
    }
    header.comments.emplace_back(text);
  }
  Py_DECREF(sequence);
  const int types[7] = {NPY_FLOAT64, NPY_INT64,   NPY_FLOAT64, NPY_INT64,
                        NPY_FLOAT64, NPY_FLOAT64, NPY_FLOAT64};
  const int dimensions[7] = {2, 1, 2, 2, 1, 1, 1};
  PyArrayObject* a[7] = {};
  bool ok = true;
  for (int i = 0; i < 7 && ok; ++i) ok = (a[i] = contiguous(objects[i], types[i], dimensions[i]));
  const auto cleanup = [&a] {
    for (PyArrayObject* x : a) Py_XDECREF(x);
  };
  if (!ok) {
    cleanup();
    return nullptr;
  }
  const auto* segments = static_cast<const double*>(PyArray_DATA(a[0]));
  const auto* blocks = static_cast<const long long*>(PyArray_DATA(a[1]));
  const auto* fields = static_cast<const double*>(PyArray_DATA(a[2]));
  const auto* offsets = static_cast<const long long*>(PyArray_DATA(a[3]));
  const double* sr[3] = {static_cast<const double*>(PyArray_DATA(a[4])),
                         static_cast<const double*>(PyArray_DATA(a[5])),
                         static_cast<const double*>(PyArray_DATA(a[6]))};
  const npy_intp n = PyArray_DIM(a[2], 0);
  const npy_intp samples[3] = {PyArray_DIM(a[4], 0), PyArray_DIM(a[5], 0), PyArray_DIM(a[6], 0)};
  // The shapes, and offsets that run from 0 up within each axis's samples.
  const char* shape_error = nullptr;
  if (PyArray_DIM(a[0], 1) != kSegmentFields) shape_error = "segments must have 11 columns";
  if (PyArray_DIM(a[2], 1) != kFields) shape_error = "the point fields must have 14 columns";
  if (PyArray_DIM(a[3], 0) != 3 || PyArray_DIM(a[3], 1) != n + 1) {
    shape_error = "offsets must have 3 rows of points + 1";
  }
  long long total = 0;
  for (npy_intp i = 0; i < PyArray_DIM(a[1], 0) && shape_error == nullptr; ++i) {
    if (blocks[i] < 0 || blocks[i] > n) shape_error = "the blocks' counts must be >= 0";
    total += blocks[i];
  }
  if (shape_error == nullptr && total != n) {
    shape_error = "the blocks' counts must add up to the points";
  }
  for (npy_intp s = 0; s < PyArray_DIM(a[0], 0) && shape_error == nullptr; ++s) {
    for (const int c : {2, 3}) {  // NSTK, NDIP
      const double count = segments[s * kSegmentFields + c];
      if (!(count >= 0.0 && count <= 1e15 && count == std::floor(count))) {
        shape_error = "the segments' nstk and ndip must be whole numbers >= 0";
      }
    }
  }
  for (int axis = 0; axis < 3 && shape_error == nullptr; ++axis) {
    const long long* o = offsets + axis * (n + 1);
    if (o[0] != 0 || o[n] != samples[axis]) shape_error = "offsets must run from 0 to the samples";
    for (npy_intp i = 0; i < n && shape_error == nullptr; ++i) {
      if (o[i + 1] < o[i]) shape_error = "offsets must not decrease";
    }
  }
  if (shape_error != nullptr) {
    cleanup();
    PyErr_SetString(PyExc_ValueError, shape_error);
    return nullptr;
  }
  for (npy_intp s = 0; s < PyArray_DIM(a[0], 0); ++s) {
    const double* f = segments + s * kSegmentFields;
    header.segments.push_back({f[0], f[1], static_cast<long>(f[2]), static_cast<long>(f[3]), f[4],
                               f[5], f[6], f[7], f[8], f[9], f[10]});
  }
  std::string value_error;
  bool io_failed = false;
  int io_errno = 0;
  bool no_memory = false;
  Py_BEGIN_ALLOW_THREADS;
  try {
    yoffe::srf::ReplacedFile file(path);
    try {
      yoffe::srf::Writer writer(file.stream(), header);
      npy_intp i = 0;
      Point p;
      for (npy_intp b = 0; b < PyArray_DIM(a[1], 0); ++b) {
        writer.begin_points(static_cast<std::size_t>(blocks[b]));
        for (long long k = 0; k < blocks[b]; ++k, ++i) {
          take_point(p, i, n, fields, offsets, sr);
          writer.write(p);
        }
      }
      writer.finish();
    } catch (const std::ios_base::failure&) {
      // A write failed: commit() reports the file's errno.
      if (file.error() == 0) throw std::system_error(EIO, std::generic_category());
    }
    file.commit();
  } catch (const std::logic_error& e) {
    value_error = e.what();
  } catch (const std::system_error& e) {
    io_failed = true;
    io_errno = e.code().value();
  } catch (const std::bad_alloc&) {
    no_memory = true;
  }
  Py_END_ALLOW_THREADS;
  cleanup();
  if (no_memory) return PyErr_NoMemory();
  if (!value_error.empty()) {
    PyErr_SetString(PyExc_ValueError, value_error.c_str());
    return nullptr;
  }
  if (io_failed) {
    errno = io_errno;
    return os_error(path);
  }
  Py_RETURN_NONE;
}

// The moment-rate function's result: (first step, values) as a tuple, or
// null with ValueError set from `message`.
PyObject* moment_rate_result(const yoffe::srf::MomentRate* rate, const std::string& message) {
  if (message == "\n") return PyErr_NoMemory();
  if (!message.empty()) {
    PyErr_SetString(PyExc_ValueError, message.c_str());
    return nullptr;
  }
  const std::vector<double> values = rate != nullptr ? rate->values() : std::vector<double>();
  const long first = rate != nullptr && rate->reached() ? rate->first() : 0;
  return Py_BuildValue("(ldN)", first, rate != nullptr ? rate->dt() : 0.0,
                       array_of(values, NPY_FLOAT64, static_cast<npy_intp>(values.size())));
}

// Adds the point (numbered from 1) to the rate, made on the point's DT
// where dt is 0; the failure's message into `message`.
void add_point(std::unique_ptr<yoffe::srf::MomentRate>& rate, const yoffe::srf::Point& p, double dt,
               double rigidity, long point, const std::string& name, std::string& message) {
  const std::string where = name + "point " + std::to_string(point) + ": ";
  const double mu = yoffe::srf::rigidity_of(p, rigidity);
  if (!(mu > 0.0)) {
    message = where + "no VS and DEN (both > 0), and no rigidity given";
    return;
  }
  try {
    if (rate == nullptr) rate = std::make_unique<yoffe::srf::MomentRate>(dt > 0.0 ? dt : p.dt);
    rate->add(p, mu);
  } catch (const std::invalid_argument& e) {
    message = where + e.what();
  }
}

PyObject* moment_rate_of_file(PyObject*, PyObject* args) {
  PyObject* path_object = nullptr;
  double dt = 0.0;
  double rigidity = 0.0;
  if (!PyArg_ParseTuple(args, "O&dd", PyUnicode_FSConverter, &path_object, &dt, &rigidity)) {
    return nullptr;
  }
  const std::string path = PyBytes_AS_STRING(path_object);
  Py_DECREF(path_object);
  std::unique_ptr<yoffe::srf::MomentRate> rate;
  Reading reading;
  Py_BEGIN_ALLOW_THREADS;
  reading = read_srf(path, [&](yoffe::srf::Reader& reader, std::string& message) {
    Point p;
    for (long point = 1; message.empty() && reader.next(p); ++point) {
      add_point(rate, p, dt, rigidity, point, path + ": ", message);
    }
  });
  Py_END_ALLOW_THREADS;
  if (raised(reading, path)) return nullptr;
  return moment_rate_result(rate.get(), "");
}

PyObject* moment_rate_of_arrays(PyObject*, PyObject* args) {
  PyObject* objects[5] = {};
  double dt = 0.0;
  double rigidity = 0.0;
  if (!PyArg_ParseTuple(args, "OOOOOdd", &objects[0], &objects[1], &objects[2], &objects[3],
                        &objects[4], &dt, &rigidity)) {
    return nullptr;
  }
  const int types[5] = {NPY_FLOAT64, NPY_INT64, NPY_FLOAT64, NPY_FLOAT64, NPY_FLOAT64};
  const int dimensions[5] = {2, 2, 1, 1, 1};
  PyArrayObject* a[5] = {};
  bool ok = true;
  for (int i = 0; i < 5 && ok; ++i) ok = (a[i] = contiguous(objects[i], types[i], dimensions[i]));
  std::unique_ptr<yoffe::srf::MomentRate> rate;
  std::string message;
  if (ok) {
    const npy_intp n = PyArray_DIM(a[0], 0);
    const auto* fields = static_cast<const double*>(PyArray_DATA(a[0]));
    const auto* offsets = static_cast<const long long*>(PyArray_DATA(a[1]));
    const double* sr[3] = {static_cast<const double*>(PyArray_DATA(a[2])),
                           static_cast<const double*>(PyArray_DATA(a[3])),
                           static_cast<const double*>(PyArray_DATA(a[4]))};
    if (PyArray_DIM(a[0], 1) != kFields || PyArray_DIM(a[1], 0) != 3 ||
        PyArray_DIM(a[1], 1) != n + 1) {
      message = "the fields and offsets disagree in shape";
    }
    for (int axis = 0; axis < 3 && message.empty(); ++axis) {
      const long long* o = offsets + axis * (n + 1);
      if (o[0] != 0 || o[n] != PyArray_DIM(a[2 + axis], 0))
        message = "offsets must run from 0 to the samples";
      for (npy_intp i = 0; i < n && message.empty(); ++i) {
        if (o[i + 1] < o[i]) message = "offsets must not decrease";
      }
    }
    Point p;
    try {
      for (npy_intp i = 0; i < n && message.empty(); ++i) {
        take_point(p, i, n, fields, offsets, sr);
        add_point(rate, p, dt, rigidity, static_cast<long>(i + 1), "", message);
      }
    } catch (const std::bad_alloc&) {
      message = "\n";  // out of memory
    }
  }
  for (PyArrayObject* x : a) Py_XDECREF(x);
  if (!ok) return nullptr;
  return moment_rate_result(rate.get(), message);
}

PyMethodDef kMethods[] = {
    {"moment_rate_of_file", moment_rate_of_file, METH_VARARGS,
     "moment_rate_of_file(path, dt, rigidity) -> (first step, dt, values)"},
    {"moment_rate_of_arrays", moment_rate_of_arrays, METH_VARARGS,
     "moment_rate_of_arrays(fields, offsets, sr1, sr2, sr3, dt, rigidity) -> (first, dt, values)"},
    {"read", read, METH_VARARGS, "read(path) -> the file's arrays (see yoffe.srf.read)"},
    {"write", write, METH_VARARGS, "write(path, ...) (see yoffe.srf.write)"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef kModule = {PyModuleDef_HEAD_INIT, "_srf", "SRF files, read and written.", -1, kMethods};

}  // namespace

PyMODINIT_FUNC PyInit__srf() {
  import_array();
  return PyModule_Create(&kModule);
}

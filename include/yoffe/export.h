/* YOFFE_API marks the declarations that libyoffe exports; everything else
 * in the library stays inside it.  The library is compiled with
 * YOFFE_BUILDING_LIBRARY; a program linking the static library on Windows
 * defines YOFFE_STATIC (the CMake target yoffe::stf_static and
 * yoffe-static.pc do so), so that it does not ask for a DLL's import. */
#ifndef YOFFE_EXPORT_H
#define YOFFE_EXPORT_H

#if defined(_WIN32) && !defined(YOFFE_STATIC)
#ifdef YOFFE_BUILDING_LIBRARY
#define YOFFE_API __declspec(dllexport)
#else
#define YOFFE_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) && !defined(_WIN32)
#define YOFFE_API __attribute__((visibility("default")))
#else
#define YOFFE_API
#endif

#endif /* YOFFE_EXPORT_H */

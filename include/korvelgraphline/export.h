// KORVEL_EXPORT marks the symbols that form the library's public API.
//
// The library is built with hidden visibility, so everything not marked here
// stays inside the shared object. On Windows the module's export table is
// fixed by its module-definition file, and the mark has no effect there.
#ifndef KORVELGRAPHLINE_EXPORT_H_
#define KORVELGRAPHLINE_EXPORT_H_

#if defined(_WIN32) || defined(KORVEL_STATIC)
#define KORVEL_EXPORT
#elif defined(__GNUC__)
#define KORVEL_EXPORT __attribute__((visibility("default")))
#else
#define KORVEL_EXPORT
#endif

#endif  // KORVELGRAPHLINE_EXPORT_H_

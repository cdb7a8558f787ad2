// The precompiled headers of cmake/FastBuild.cmake are made with this
// (empty) source; the test programs reuse them.

// Nothing of its own: the file the shared precompiled headers of the test programs are made beside
// (tests/CMakeLists.txt).

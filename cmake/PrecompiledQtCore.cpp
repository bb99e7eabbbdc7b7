// Nothing of its own: the file the libraries' shared QtCore precompiled headers are made beside
// (cmake/QtCorePch.cmake).

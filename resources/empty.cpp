// Anchor for the compiled-in resources; the files themselves are listed in CMakeLists.txt.

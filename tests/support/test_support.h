// Helpers shared by the test programs: the runtime the libraries expect, and where the generated
// media lie.
#pragma once

#include <string>

// Creates ProgramHeap, the object heap and the string buffer once per process, as start-up does.
void TestRuntimeStart();

// Wine path of a file generated into the build's media folder, for example "smoke.avi".
std::string MediaPath(const char* name);

// Linux path of the same file (for tests that make or change files).
std::string MediaUnixPath(const char* name);

// Inside the requester library: the one worker behind the open and save operations.
#pragma once

#include "requester.h"

// Shows the open (save 0) or save dialog; flags as RequestOpenFile; the path goes to start.
void FileRequesterRun(const char* title, const char* initialFile, const char* pattern, int32_t patternIndex,
                      int32_t save, uint32_t flags, int32_t start);

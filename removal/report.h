#pragma once
// STUB until the report lands.
#include <cstddef>
bool WriteRemovalReport(const char* path);
bool DefaultReportPath(char* out, size_t size);

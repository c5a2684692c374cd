#pragma once
#include <string>

// The file version of an executable's version record as four unsigned
// decimal numbers joined by "." ("0.2.1.7"); empty text for a file without a
// version record.
std::string GetFileVersionText(const std::string& fileName);

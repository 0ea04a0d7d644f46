#pragma once

#include "Library.h"

#include <string>

namespace fw {

// The language resource library that dialog templates and numbered strings come
// from. A resource library exports, with C linkage:
//   const char* nebpt_resource_string(unsigned id);            // null when absent
//   int nebpt_resource_create_template(unsigned id, void* widget); // 1 when built
// The string table is reachable without Qt; templates are built by the widgets part.

LibraryHandle currentResourceLibrary();

// Makes `library` the current source of templates and strings; returns the previous.
LibraryHandle setCurrentResourceLibrary(LibraryHandle library);

// String `id` of the current resource library; empty when there is none or it
// lacks the string.
std::string loadString(unsigned id);

} // namespace fw

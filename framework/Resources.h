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

// The framework's own texts in a resource library, so that a dialog of another
// language shows none of them in English: the range message of number fields
// ("%1" and "%2" stand for the limits) and the message-box buttons. Without a
// library, or when it lacks them, the framework falls back to English.
enum : unsigned
{
    IDS_FW_RANGE_MESSAGE = 2160,
    IDS_FW_BUTTON_OK = 2161,
    IDS_FW_BUTTON_CANCEL = 2162,
    IDS_FW_BUTTON_YES = 2163,
    IDS_FW_BUTTON_NO = 2164
};

} // namespace fw

#pragma once

// The stand-in libraries show only their callbook calls; everything else stays inside.
#define CALLBOOK_EXPORT extern "C" __attribute__((visibility("default")))

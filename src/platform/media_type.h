// AM_MEDIA_TYPE ownership: the format block and the format object that the
// platform attaches to a media type belong to whoever holds the record.
#pragma once
#include <dshow.h>

namespace ombrix::platform {

// Frees the format block and releases the format object, leaving the record
// without either (the other fields are kept).
void freeMediaTypeFormat(AM_MEDIA_TYPE& type);

} // namespace ombrix::platform

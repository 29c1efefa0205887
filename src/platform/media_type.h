// AM_MEDIA_TYPE ownership: the format block and the format object that the
// platform attaches to a media type belong to whoever holds the record.
#pragma once
#include <dshow.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace ombrix::platform {

// Frees the format block and releases the format object, leaving the record
// without either (the other fields are kept).
void freeMediaTypeFormat(AM_MEDIA_TYPE& type);

// A media type that owns its format block (CoTaskMemAlloc) and format object:
// both go when the record is reset, refilled or destroyed. The fields stay
// plain AM_MEDIA_TYPE fields for reading.
class MediaType : public AM_MEDIA_TYPE {
public:
    // Every byte of the record is zero when it is empty, padding included,
    // and exchanges swap whole records: an empty one always has the same
    // bytes.
    MediaType() : AM_MEDIA_TYPE() { clearRecord(); }
    ~MediaType() { reset(); }
    MediaType(const MediaType&) = delete;
    MediaType& operator=(const MediaType&) = delete;
    MediaType(MediaType&& other) noexcept : AM_MEDIA_TYPE() { clearRecord(), swap(other); }
    MediaType& operator=(MediaType&& other) noexcept
    {
        swap(other);
        return *this;
    }

    // Frees what the record owns and clears every field.
    void reset();
    // The record for a platform call that fills it (GetConnectedMediaType):
    // the format block and object it held go first; the type fields stay, so
    // a call that fails leaves the type without a format.
    AM_MEDIA_TYPE* fill()
    {
        freeMediaTypeFormat(*this);
        return this;
    }
    // Replaces the format block with a copy of size bytes; false (and no
    // block) when memory runs out.
    bool setFormat(const GUID& type, const void* bytes, ULONG size);
    // Exchanges two records, with what each owns.
    void swap(MediaType& other) noexcept
    {
        unsigned char* a = reinterpret_cast<unsigned char*>(static_cast<AM_MEDIA_TYPE*>(this));
        unsigned char* b = reinterpret_cast<unsigned char*>(static_cast<AM_MEDIA_TYPE*>(&other));
        std::swap_ranges(a, a + sizeof(AM_MEDIA_TYPE), b);
    }
    // Hands the record, format block included, to a caller who frees it, and
    // leaves this one empty.
    AM_MEDIA_TYPE detach();

private:
    void clearRecord() { std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE)); }
};

} // namespace ombrix::platform

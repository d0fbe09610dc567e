#include "plugins/scrub/jump_lists.h"

#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <cstring>

#include "ui/text.h"

namespace kelt::scrub {

namespace {

template <typename Interface>
struct Released {
    Interface* object = nullptr;
    ~Released()
    {
        if (object)
            object->Release();
    }
};

std::uint32_t Number(const unsigned char* bytes)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);  // little-endian on every Windows
    return value;
}

} // namespace

JumpListPins PinsOf(const std::string& file)
{
    const std::wstring path = ui::Wide(file);
    Released<IStorage> storage;
    // Explorer may have the file open: read it as it is, changing nothing.
    if (FAILED(::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                &storage.object)) &&
        FAILED(::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_TRANSACTED | STGM_SHARE_DENY_NONE, nullptr,
                                0, &storage.object)))
        return JumpListPins::Unknown;
    Released<IStream> index;
    if (FAILED(storage.object->OpenStream(L"DestList", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &index.object)))
        return JumpListPins::Unknown;
    unsigned char header[12] = {};
    ULONG read = 0;
    if (FAILED(index.object->Read(header, sizeof header, &read)) || read != sizeof header)
        return JumpListPins::Unknown;
    const std::uint32_t version = Number(header);
    if (version < 1 || version > 4)
        return JumpListPins::Unknown;
    return Number(header + 8) == 0 ? JumpListPins::None : JumpListPins::Some;
}

bool IsQuickAccessList(const std::string& fileName)
{
    return ui::SameNameIgnoringCase(fileName, "f01b4d95cf55d32a.automaticDestinations-ms");
}

} // namespace kelt::scrub

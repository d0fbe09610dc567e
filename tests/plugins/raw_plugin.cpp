// A plug-in written without the frame, to be broken on purpose: RAW_NO_DONE leaves out
// DonePlugin, RAW_THROWS makes GetPluginVersion throw.
#include <windows.h>

#include <cstdint>
#include <stdexcept>

extern "C" {

const char* __stdcall GetPluginName() { return RAW_NAME; }
const char* __stdcall GetPluginAuthor() { return "Tests"; }
const char* __stdcall GetPluginKind() { return "Broken"; }
const char* __stdcall GetPluginMenuText() { return RAW_NAME; }
const char* __stdcall GetPluginGlyphResName() { return "Glyph"; }
const char* __stdcall GetPluginVersion()
{
#ifdef RAW_THROWS
    throw std::runtime_error("the version is not known");
#endif
    return "1.0";
}
const char* __stdcall GetPluginCopyright() { return "2003"; }
#ifndef RAW_NO_DONE
void __stdcall DonePlugin() {}
#endif
std::int32_t __stdcall Execute(std::uint32_t) { return 1; }

}

// The first byte picks how the rest is cut into pieces; the rest is one server answer. Every
// split must read the same head and body, and head plus body must be exactly the answer. The
// same bytes are also read as information files, as a publisher key and a signature file,
// as a signed release record, and as a local version.ini that a value is written into.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "update/file_names.h"
#include "update/http_head.h"
#include "update/ini_text.h"
#include "update/release_record.h"
#include "update/signature_format.h"
#include "update/update_plan.h"
#include "update/url.h"

using namespace kelt::update;

namespace {

struct Read {
    bool failed = false;
    int status = 0;
    std::string text, body, location, cookie;
};

Read ReadAnswer(const std::string& answer, std::size_t piece)
{
    Read r;
    ResponseHead head;
    try {
        for (std::size_t at = 0; at < answer.size(); at += piece) {
            const std::string chunk = answer.substr(at, piece);
            if (head.Complete()) {
                r.body += chunk;
                continue;
            }
            const std::size_t used = head.Feed(chunk.data(), chunk.size());
            if (used > chunk.size())
                std::abort();
            r.body += head.TakeBody();
            r.body += chunk.substr(used);
        }
        r.body += head.Finish();
    } catch (const HttpError&) {
        r.failed = true;
        return r;
    }
    r.status = head.Status();
    r.text = head.Text();
    r.location = head.Location();
    r.cookie = head.Cookie();
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 17;
    const std::string answer(reinterpret_cast<const char*>(data + 1), size - 1);

    const Read whole = ReadAnswer(answer, answer.size() + 1);
    const Read split = ReadAnswer(answer, piece);
    if (whole.failed != split.failed || whole.status != split.status || whole.text != split.text ||
        whole.body != split.body || whole.location != split.location || whole.cookie != split.cookie)
        std::abort();
    if (!whole.failed && whole.text + whole.body != answer)
        std::abort();

    if (!whole.failed && !whole.location.empty()) {
        try {
            const Url current = ParseUrl("http://127.0.0.1:8000/update/x");
            const Url next = ParseUrl(ResolveLocation(whole.location, current));
            if (next.path.empty() || next.path[0] != '/' || next.path.size() > kMaxUrlPath)
                std::abort();
            (void)BuildRequestHead(next, whole.cookie);
        } catch (const HttpError&) {
        }
    }

    // The same bytes as information files: every name a plan accepts is a plain name.
    ServerInfo server;
    server.versions = IniText::Parse(answer);
    server.names = server.versions;
    server.sizes = server.versions;
    const UpdatePlan plan = CollectEntries(server, IniText::Parse(""), {"C:\\K\\", "C:\\K\\Update\\", "http://h/u/"});
    for (const TUpdateItem& item : plan.entries)
        if (!IsPlainFileName(item.fileName) || !IsInsideFolder(item.installPath, "C:\\K\\") ||
            IsUpdateInformationName(item.fileName) || item.hash.size() != 64)
            std::abort();

    // Key and signature readers: whatever they accept has exactly the size CNG is given.
    std::string bytes, point, rs;
    if (DecodeBase64(answer, bytes) && bytes.empty())
        std::abort();
    if (ParseP256PublicKey(answer, point) && point.size() != 64)
        std::abort();
    if (ParseEcdsaSignature(answer, rs) && rs.size() != 64)
        std::abort();
    if (!bytes.empty() && ParseEcdsaSignature(bytes, rs) && rs.size() != 64)
        std::abort();

    // A record the reader accepts signs a prefix of what was served, names the four files and
    // carries a signature.
    ReleaseRecord record;
    if (ParseReleaseRecord(answer, record).empty() &&
        (answer.compare(0, record.signedBytes.size(), record.signedBytes) != 0 || record.files.size() != 4 ||
         record.signatures.empty()))
        std::abort();

    // A version written into any local file reads back as published, and every other value of
    // the sections the updater and the plug-in manager share stays as it was.
    const IniText before = IniText::Parse(answer);
    const IniText after = IniText::Parse(SetIniValue(answer, "Plugins", "Hide.KTP", "\"1.0 \""));
    if (after.Get("Plugins", "Hide.KTP", "") != "1.0 ")
        std::abort();
    for (const char* section : kSections)
        for (const std::string& key : before.Keys(section))
            if ((std::string(section) != "Plugins" || !(IniText::Parse("[s]\n" + key + "=").Has("s", "Hide.KTP"))) &&
                after.Get(section, key, "<gone>") != before.Get(section, key, ""))
                std::abort();
    return 0;
}

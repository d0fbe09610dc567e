#include "update/server_setting.h"

#include <utility>

#include "update/signature_format.h"
#include "update/url.h"

namespace kelt::update {

const char kSettingsFile[] = "Update.ini";

namespace {
constexpr std::size_t kMaxPublicKeys = 8;
}

ServerSetting ReadServerSetting(bool found, const IniText& ini)
{
    ServerSetting setting;
    const std::string value = found ? ini.Get("Server", "BaseAddress", "") : std::string();
    if (value.empty()) {
        setting.problem = "No update server is set.\nUpdate.ini beside Update.exe needs a line "
                          "BaseAddress=http://<host>/update/ in its [Server] section.";
        return setting;
    }
    const std::string upper = UpperAscii(value.substr(0, 8));
    const bool http = upper.compare(0, 7, "HTTP://") == 0;
    const bool https = upper == "HTTPS://";
    bool valid = (http || https) && value.back() == '/';
    if (valid) {
        try {
            // The https form is checked with the plain client's rules; only the scheme differs.
            const Url url = ParseUrl(https ? "http://" + value.substr(8) : value);
            valid = !url.host.empty();
        } catch (const HttpError&) {
            valid = false;
        }
    }
    if (!valid) {
        setting.problem = "The update server address in Update.ini is not valid:\n" + value +
                          "\nIt must start with http:// or https://, name a host and end with \"/\".";
        return setting;
    }
    setting.ok = true;
    setting.baseAddress = value;

    for (auto [name, field] : {std::pair<const char*, std::string*>{"Product", &setting.product}, {"Channel", &setting.channel}}) {
        const std::string given = ini.Get("Server", name, "");
        if (!given.empty())
            *field = given;
    }
    // PublicKey, PublicKey2 ...: any of them may have signed a release.
    std::string bad;
    for (const std::string& name : ini.Keys("Server")) {
        const std::string upper = UpperAscii(name);
        if (upper.compare(0, 9, "PUBLICKEY") != 0 || upper.find_first_not_of("0123456789", 9) != std::string::npos)
            continue;
        const std::string text = ini.Get("Server", name, "");
        std::string der, point;
        if (text.empty())
            continue;
        if (!DecodeBase64(text, der) || !ParseP256PublicKey(der, point))
            bad = name;
        else if (setting.publicKeys.size() < kMaxPublicKeys)
            setting.publicKeys.push_back(point);
    }
    if (!bad.empty()) {
        setting.publicKeys.clear();
        setting.keyProblem = "The publisher key in Update.ini is not valid, so no update can be verified and "
                             "nothing is installed.\n" + bad + "= must hold the base64 of an ECDSA P-256 public "
                             "key (DER SubjectPublicKeyInfo).";
    } else if (setting.publicKeys.empty()) {
        setting.keyProblem = "This deployment has no publisher key, so no update can be verified and nothing is "
                             "installed.\nUpdate.ini beside Update.exe needs a line PublicKey=<the publisher's public "
                             "key> in its [Server] section.";
    }
    return setting;
}

} // namespace kelt::update

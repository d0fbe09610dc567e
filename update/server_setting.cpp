#include "update/server_setting.h"

#include "update/signature_format.h"
#include "update/url.h"

namespace kelt::update {

const char kSettingsFile[] = "Update.ini";

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

    const std::string key = ini.Get("Server", "PublicKey", "");
    std::string der;
    if (key.empty())
        setting.keyProblem = "This deployment has no publisher key, so no update can be verified and nothing is "
                             "installed.\nUpdate.ini beside Update.exe needs a line PublicKey=<the publisher's public "
                             "key> in its [Server] section.";
    else if (!DecodeBase64(key, der) || !ParseP256PublicKey(der, setting.publicKey))
        setting.keyProblem = "The publisher key in Update.ini is not valid, so no update can be verified and nothing "
                             "is installed.\nPublicKey= must hold the base64 of an ECDSA P-256 public key (DER "
                             "SubjectPublicKeyInfo).";
    return setting;
}

} // namespace kelt::update

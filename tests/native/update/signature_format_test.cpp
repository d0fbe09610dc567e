// The publisher's key and signature as they arrive from Update.ini and the server: base64 and
// DER read strictly, every malformed variant refused.
#include <gtest/gtest.h>

#include <string>

#include "update/signature_format.h"

using namespace kelt::update;

namespace {

std::string Hex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// An ECDSA P-256 public key as `openssl pkey -pubout -outform DER` writes it.
const std::string kKeyHex = "3059301306072a8648ce3d020106082a8648ce3d030107034200"
                            "0478acd6864b7c0cb9148f8203f7dc1d7ebba0ad7033ae74cbf332a43e721b7be1"
                            "d8959334c20c539e23cb6c8750cc96c346c7d618f3c5192f7cb9982cfed60a20";

TEST(Base64Test, DecodesStandardTextAndNothingElse)
{
    std::string bytes;
    const struct {
        const char* text;
        const char* bytes;
    } good[] = {{"aGVsbG8=", "hello"}, {"aGVsbA==", "hell"}, {"aGVs", "hel"}, {" aGVs\r\nbG8=\n", "hello"}};
    for (const auto& g : good) {
        EXPECT_TRUE(DecodeBase64(g.text, bytes)) << g.text;
        EXPECT_EQ(bytes, g.bytes);
    }
    for (const char* bad : {"", "\r\n", "aGVsbG8", "aGVsbG8==", "aGVsbG9=", "aGVsbB==", "aG=sbG8=", "aGVs=bG8",
                            "aGV$bG8=", "aGVsbA===", "=aGV", "aGVsbG8=aGVs", "a\0GVs"})
        EXPECT_FALSE(DecodeBase64(bad, bytes)) << bad;
}

TEST(PublicKeyTest, ReadsOnlyAnUncompressedP256Point)
{
    const std::string der = Hex(kKeyHex);
    std::string point;
    ASSERT_TRUE(ParseP256PublicKey(der, point));
    EXPECT_EQ(point, der.substr(27));

    std::string base64Key;
    ASSERT_TRUE(DecodeBase64("MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEeKzWhkt8DLkUj4ID99wdfrugrXAzrnTL8zKkPnIbe+HYlZM0wgxTniPLbIdQzJb"
                             "DRsfWGPPFGS98uZgs/tYKIA==",
                             base64Key));
    EXPECT_EQ(base64Key, der);

    auto with = [&der](std::size_t at, const std::string& bytes, std::size_t replace) {
        std::string changed = der;
        changed.replace(at, replace, bytes);
        return changed;
    };
    const struct {
        const char* what;
        std::string der;
    } bad[] = {
        {"empty", ""},
        {"cut short", der.substr(0, der.size() - 1)},
        {"a byte more", der + '\0'},
        {"another curve", with(22, Hex("08"), 1)},
        {"another algorithm", with(12, Hex("02"), 1)},
        {"a compressed point", with(26, Hex("02"), 1)},
        {"unused bits", with(25, Hex("01"), 1)},
        {"outer length in long form", with(0, Hex("308159"), 2)},
        {"indefinite length", with(0, Hex("3080"), 2) + Hex("0000")},
        {"a set, not a sequence", with(0, Hex("31"), 1)},
    };
    for (const auto& b : bad)
        EXPECT_FALSE(ParseP256PublicKey(b.der, point)) << b.what;
}

TEST(SignatureTest, ReadsRAndSAsThirtyTwoBytesEach)
{
    const std::string r(32, '\x11'), s(32, '\x22');
    std::string rs;
    // As openssl writes them: the high bit set takes a leading zero, a short value stays short.
    ASSERT_TRUE(ParseEcdsaSignature(Hex("3045022100") + std::string(32, '\x81') + "\x02\x20" + s, rs));
    EXPECT_EQ(rs, std::string(32, '\x81') + s);
    ASSERT_TRUE(ParseEcdsaSignature(Hex("30250201050220") + s, rs));
    EXPECT_EQ(rs, std::string(31, '\0') + "\x05" + s);
    std::string openssl;
    ASSERT_TRUE(DecodeBase64("MEUCIE3vAyALiJD3+8WkiKK5L2xXWjN7bUd5C+/5T0MOrIDmAiEA1+SrYS9HtOV5SmKKEL+HYiaqYkKKnYe2Qb6ZFbZ0Gwk=",
                             openssl));
    ASSERT_TRUE(ParseEcdsaSignature(openssl, rs));
    EXPECT_EQ(rs, openssl.substr(4, 32) + openssl.substr(39, 32));

    const struct {
        const char* what;
        std::string der;
    } bad[] = {
        {"empty", ""},
        {"r only", Hex("30220220") + r},
        {"a third integer", Hex("3047") + Hex("0220") + r + Hex("0220") + s + Hex("020101")},
        {"a byte after the sequence", Hex("3044") + Hex("0220") + r + Hex("0220") + s + '\0'},
        {"a length beyond the end", Hex("3046") + Hex("0220") + r + Hex("0220") + s},
        {"negative r", Hex("3044") + Hex("0220") + std::string(32, '\x81') + Hex("0220") + s},
        {"an unneeded leading zero", Hex("3045") + Hex("022100") + r + Hex("0220") + s},
        {"zero", Hex("3025") + Hex("020100") + Hex("0220") + s},
        {"an empty integer", Hex("3024") + Hex("0200") + Hex("0220") + s},
        {"33 bytes of value", Hex("3045") + Hex("022101") + std::string(32, '\x81') + Hex("0220") + s},
        {"a bit string, not an integer", Hex("3044") + Hex("0320") + r + Hex("0220") + s},
        {"a length in long form", Hex("308144") + Hex("0220") + r + Hex("0220") + s},
    };
    for (const auto& b : bad)
        EXPECT_FALSE(ParseEcdsaSignature(b.der, rs)) << b.what;
}

} // namespace

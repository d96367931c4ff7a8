#pragma once

// The public half of the key Ambrel signs update pages with (3072-bit RSA,
// PKCS#1). The private half never leaves the maker.
namespace gw::shell {
inline constexpr char kUpdatePublicKey[] =
    "-----BEGIN RSA PUBLIC KEY-----\n"
    "MIIBigKCAYEA1y9FP55Npu/3PvwiK6zcyOtX5Xjk7dmkOR+3T17IIIUq8XAwSjyo\n"
    "eIfTWCLBVNOkTkbMTkXjy3/99Uq8mipa0cXkHcKrtqkyjKOsJUbyv9wxrxw7WKIc\n"
    "qj6U8qauyexa+7E4EcIM/CVWo+k691YyalD+R/T8t2z0Lon/7x2eX2Vyvv0tOaTo\n"
    "5bGzfmX537qRcuz75lTidULqro/LYYg/3ZI/fEfTpmJpQ3LZ1oIANAUBj1gVoyj1\n"
    "fRJiA0z2uz4x5s1RjENPxERyaWAuw21WxzSuVJN8Nkqm5vBPrdwRj+ceYYb0Fg0E\n"
    "z+dk0Wuh0WIjXydWJaLWlMuPB8PPSiRDFr23A3EalTz3X1P+C60LhNqWTod5CDGm\n"
    "eJqz78FwaKN7UxX/9M6LtlHQaXIDU02mUt/0VU5hVXxFNyuHPJqqH6DiOhenUqJR\n"
    "EYUVpL5VKyv0e0ajoMUOUFz3MuSwpgvFGXBgx0AhgRWpMNbrXUnFixO9nw/mL6z7\n"
    "MitEkfjw1ootAgMBAAE=\n"
    "-----END RSA PUBLIC KEY-----";
}  // namespace gw::shell

#include "basalt/update/signature.h"

#include <QCoreApplication>

#include <optional>

#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/decoder.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

using namespace Qt::StringLiterals;

namespace basalt {

namespace {

QString openSslError(const char* what) {
    QString text = QString::fromLatin1(what);
    char buffer[256];
    while (const unsigned long code = ERR_get_error()) {
        ERR_error_string_n(code, buffer, sizeof buffer);
        text += u"; "_s + QString::fromLatin1(buffer);
    }
    return text;
}

struct DigestContext {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~DigestContext() { EVP_MD_CTX_free(ctx); }
};

}  // namespace

UpdateKey::UpdateKey(EVP_PKEY* key) : key_(key, &EVP_PKEY_free) {}

std::variant<UpdateKey, KeyError> importKey(const QString& pem, KeyClass keyClass) {
    if (pem.isEmpty()) {
        return KeyError{QCoreApplication::translate("signature", "Key data is empty")};
    }
    if (keyClass != KeyClass::publicKey && keyClass != KeyClass::privateKey) {
        return KeyError{
            u"Key type unrecognized, should be kSecAttrKeyClassPrivate or kSecAttrKeyClassPublic"_s};
    }
    QString body = pem;
    body.remove(u"-----BEGIN RSA PUBLIC KEY-----"_s);
    body.remove(u"-----END RSA PUBLIC KEY-----"_s);
    // Lenient on purpose: armour line breaks and spaces are not key data.
    const QByteArray der = QByteArray::fromBase64(body.toLatin1());
    if (der.isEmpty()) {
        return KeyError{
            QCoreApplication::translate("signature", "Unable to convert String to Data")};
    }
    EVP_PKEY* key = nullptr;
    const int selection = keyClass == KeyClass::publicKey ? EVP_PKEY_PUBLIC_KEY : EVP_PKEY_KEYPAIR;
    OSSL_DECODER_CTX* decoder = OSSL_DECODER_CTX_new_for_pkey(&key, "DER", "type-specific", "RSA",
                                                              selection, nullptr, nullptr);
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.constData());
    size_t length = static_cast<size_t>(der.size());
    const bool decoded = decoder && OSSL_DECODER_from_data(decoder, &bytes, &length) == 1 && key;
    OSSL_DECODER_CTX_free(decoder);
    if (!decoded) {
        EVP_PKEY_free(key);
        return KeyError{openSslError("The data is not a PKCS#1 RSA key")};
    }
    return UpdateKey(key);
}

std::variant<UpdateKey, KeyError> importPrivateKeyPem(const QByteArray& pem) {
    BIO* bio = BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size()));
    EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(bio);
    if (!key) {
        return KeyError{openSslError("The text is not a PEM private key")};
    }
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        EVP_PKEY_free(key);
        return KeyError{
            QCoreApplication::translate("signature", "The private key is not an RSA key")};
    }
    return UpdateKey(key);
}

bool verifySignature(const UpdateKey& key, const QByteArray& data, const QByteArray& signature,
                     QString* failure) {
    DigestContext digest;
    EVP_PKEY_CTX* pkeyContext = nullptr;
    bool valid =
        digest.ctx &&
        EVP_DigestVerifyInit(digest.ctx, &pkeyContext, EVP_sha256(), nullptr, key.get()) == 1 &&
        EVP_PKEY_CTX_set_rsa_padding(pkeyContext, RSA_PKCS1_PADDING) == 1;
    if (valid) {
        valid = EVP_DigestVerify(digest.ctx,
                                 reinterpret_cast<const unsigned char*>(signature.constData()),
                                 static_cast<size_t>(signature.size()),
                                 reinterpret_cast<const unsigned char*>(data.constData()),
                                 static_cast<size_t>(data.size())) == 1;
    }
    if (!valid && failure) {
        *failure = openSslError("RSA-SHA256 signature does not match");
    }
    ERR_clear_error();
    return valid;
}

std::variant<QByteArray, KeyError> sign(const UpdateKey& key, const QByteArray& data) {
    DigestContext digest;
    EVP_PKEY_CTX* pkeyContext = nullptr;
    size_t length = 0;
    if (!digest.ctx ||
        EVP_DigestSignInit(digest.ctx, &pkeyContext, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(pkeyContext, RSA_PKCS1_PADDING) != 1 ||
        EVP_DigestSign(digest.ctx, nullptr, &length,
                       reinterpret_cast<const unsigned char*>(data.constData()),
                       static_cast<size_t>(data.size())) != 1) {
        return KeyError{openSslError("Signing failed")};
    }
    QByteArray signature(static_cast<qsizetype>(length), '\0');
    if (EVP_DigestSign(digest.ctx, reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(data.constData()),
                       static_cast<size_t>(data.size())) != 1) {
        return KeyError{openSslError("Signing failed")};
    }
    signature.resize(static_cast<qsizetype>(length));
    return signature;
}

std::optional<QByteArray> strictBase64Decode(const QByteArray& text) {
    auto result = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!result || text.isEmpty()) {
        return std::nullopt;
    }
    // Qt accepts a missing final padding; standard Base64 has it.
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    return std::move(*result);
}

}  // namespace basalt

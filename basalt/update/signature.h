#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <QByteArray>
#include <QString>

typedef struct evp_pkey_st EVP_PKEY;

namespace basalt {

// An RSA key for update pages.
class UpdateKey {
  public:
    UpdateKey() = default;
    explicit UpdateKey(EVP_PKEY* key);
    EVP_PKEY* get() const { return key_.get(); }
    explicit operator bool() const { return key_ != nullptr; }

  private:
    std::shared_ptr<EVP_PKEY> key_;
};

enum class KeyClass { publicKey = 0, privateKey = 1 };

// A failure with its message (the error's "domain text") and code.
struct KeyError {
    QString message;
    int code = -1;
};

// A PKCS#1 PEM key ("RSA PUBLIC KEY" for the public class): the armour lines
// are removed and everything outside the Base64 alphabet ignored, so line
// breaks make no difference.
std::variant<UpdateKey, KeyError> importKey(const QString& pem, KeyClass keyClass);

// A PEM private key, PKCS#1 ("RSA PRIVATE KEY") or PKCS#8 ("PRIVATE KEY").
std::variant<UpdateKey, KeyError> importPrivateKeyPem(const QByteArray& pem);

// RSA PKCS#1 v1.5 with SHA-256.
bool verifySignature(const UpdateKey& key, const QByteArray& data, const QByteArray& signature,
                     QString* failure);
std::variant<QByteArray, KeyError> sign(const UpdateKey& key, const QByteArray& data);

// Base64 with the standard alphabet and padding, nothing else tolerated.
std::optional<QByteArray> strictBase64Decode(const QByteArray& text);

}  // namespace basalt

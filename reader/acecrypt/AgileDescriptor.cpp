// The agile encryption descriptor: <encryption> with a <keyData> (the key of
// the pages) and <keyEncryptors>, of which the password <p:encryptedKey>
// unlocks that key. Only these elements and attributes are read; a DTD is
// refused, so no entity is ever expanded, and the text is bounded by the
// first page.
#include "reader/acecrypt/EncryptionInfo.h"

#include <QByteArray>
#include <QXmlStreamReader>

namespace acecrypt {
namespace {

constexpr auto EncryptionNs = QLatin1StringView("http://schemas.microsoft.com/office/2006/encryption");
constexpr auto PasswordNs = QLatin1StringView("http://schemas.microsoft.com/office/2006/keyEncryptor/password");
constexpr int MaxSaltSize = 64;
constexpr qsizetype MaxEncryptedSize = 128;

std::string text(QStringView value) { return value.toString().toStdString(); }

// Reads the attributes of one element, naming the element in every error.
class Attributes {
public:
    Attributes(const QXmlStreamAttributes &attributes, const char *element, AceCryptoError &error)
        : attributes_(attributes), element_(element), error_(error) {}

    bool string(const char *name, QStringView &out)
    {
        out = attributes_.value(QLatin1StringView(name));
        return !out.isEmpty() || fail(std::string("attribute ") + name + " is missing");
    }
    bool number(const char *name, qint64 low, qint64 high, qint64 &out)
    {
        QStringView value;
        if (!string(name, value))
            return false;
        bool ok = false;
        out = value.trimmed().toLongLong(&ok);
        if (!ok || out < low || out > high)
            return fail(std::string(name) + " " + text(value) + " is outside " + std::to_string(low) + " to " +
                        std::to_string(high));
        return true;
    }
    bool base64(const char *name, Bytes &out)
    {
        QStringView value;
        if (!string(name, value))
            return false;
        const auto decoded = QByteArray::fromBase64Encoding(value.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return fail(std::string(name) + " is not base64");
        out.assign(decoded.decoded.begin(), decoded.decoded.end());
        return true;
    }
    // An encrypted value: whole blocks, at least `least` bytes, bounded.
    bool encrypted(const char *name, int blockSize, qsizetype least, Bytes &out)
    {
        if (!base64(name, out))
            return false;
        const auto size = qsizetype(out.size());
        if (size < least || size > MaxEncryptedSize || size % blockSize != 0)
            return fail(std::string(name) + " has " + std::to_string(size) + " bytes");
        return true;
    }
    bool key(AgileKey &key)
    {
        QStringView cipher, chaining, hash;
        qint64 saltSize, blockSize, keyBits, hashSize;
        if (!string("cipherAlgorithm", cipher) || !string("cipherChaining", chaining) || !string("hashAlgorithm", hash))
            return false;
        if (cipher != QLatin1StringView("AES") || chaining != QLatin1StringView("ChainingModeCBC"))
            return error_.unknownVariant("agile " + text(cipher) + " " + text(chaining));
        key.hash = officeDigest(text(hash));
        if (!key.hash)
            return error_.unknownVariant("agile hash " + text(hash));
        if (!number("saltSize", 1, MaxSaltSize, saltSize) || !number("blockSize", 16, 16, blockSize) ||
            !number("hashSize", digestSize(key.hash), digestSize(key.hash), hashSize) ||
            !number("keyBits", 128, 256, keyBits) || !base64("saltValue", key.salt))
            return false;
        if (!aesCipher(int(keyBits), true))
            return fail("keyBits " + std::to_string(keyBits) + " does not fit AES");
        if (qint64(key.salt.size()) != saltSize)
            return fail("the salt has " + std::to_string(key.salt.size()) + " bytes, saltSize says " +
                        std::to_string(saltSize));
        key.blockSize = int(blockSize);
        key.keyBits = int(keyBits);
        key.hashSize = int(hashSize);
        return true;
    }

private:
    bool fail(const std::string &what) { return error_.damaged("<" + std::string(element_) + "> " + what); }

    const QXmlStreamAttributes &attributes_;
    const char *element_;
    AceCryptoError &error_;
};

bool readPasswordKey(const QXmlStreamAttributes &xml, AgileEncryption &out, AceCryptoError &error)
{
    Attributes attributes(xml, "p:encryptedKey", error);
    qint64 spinCount = 0;
    if (!attributes.key(out.password) || !attributes.number("spinCount", 0, MaxSpinCount, spinCount))
        return false;
    out.spinCount = std::uint32_t(spinCount);
    const int block = out.password.blockSize;
    return attributes.encrypted("encryptedVerifierHashInput", block, qsizetype(out.password.salt.size()),
                                out.encryptedVerifierHashInput) &&
           attributes.encrypted("encryptedVerifierHashValue", block, out.password.hashSize,
                                out.encryptedVerifierHashValue) &&
           attributes.encrypted("encryptedKeyValue", block, out.data.keyBits / 8, out.encryptedKeyValue);
}

}  // namespace

std::optional<AgileEncryption> readAgileDescriptor(ByteView xml, AceCryptoError &error)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(xml.data()), qsizetype(xml.size()));
    QXmlStreamReader reader(bytes);
    AgileEncryption result;
    bool sawRoot = false, sawKeyData = false, insidePasswordEncryptor = false;
    int passwordKeys = 0, otherEncryptors = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::DTD)
            return error.damaged("the XML descriptor holds a document type declaration"), std::nullopt;
        if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1StringView("encryption") &&
            reader.namespaceUri() == EncryptionNs)
            break;  // the root has closed: what follows (padding) is not read
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        const auto ns = reader.namespaceUri();
        if (!sawRoot) {
            if (name != QLatin1StringView("encryption") || ns != EncryptionNs)
                return error.damaged("the XML descriptor's root is not <encryption>"), std::nullopt;
            sawRoot = true;
        } else if (name == QLatin1StringView("keyData") && ns == EncryptionNs) {
            // <keyData> comes first, so its key size bounds the encrypted key below.
            if (sawKeyData || passwordKeys > 0)
                return error.damaged("<keyData> appears twice or late"), std::nullopt;
            sawKeyData = true;
            if (!Attributes(reader.attributes(), "keyData", error).key(result.data))
                return std::nullopt;
        } else if (name == QLatin1StringView("keyEncryptor") && ns == EncryptionNs) {
            insidePasswordEncryptor = reader.attributes().value(QLatin1StringView("uri")) == PasswordNs;
            otherEncryptors += insidePasswordEncryptor ? 0 : 1;
        } else if (name == QLatin1StringView("encryptedKey") && ns == PasswordNs && insidePasswordEncryptor) {
            if (!sawKeyData)
                return error.damaged("<keyData> is missing"), std::nullopt;
            if (++passwordKeys > 1)
                return error.damaged("more than one password key"), std::nullopt;
            if (!readPasswordKey(reader.attributes(), result, error))
                return std::nullopt;
        }
    }
    if (reader.hasError())
        return error.damaged("the XML descriptor is not well-formed (" + reader.errorString().toStdString() +
                             ", line " + std::to_string(reader.lineNumber()) + ")"),
               std::nullopt;
    if (!sawKeyData)
        return error.damaged("<keyData> is missing"), std::nullopt;
    if (passwordKeys == 0) {
        if (otherEncryptors > 0)
            return error.unknownVariant("agile encryption without a password key (certificate only)"), std::nullopt;
        return error.damaged("the password <p:encryptedKey> is missing"), std::nullopt;
    }
    return result;
}

}  // namespace acecrypt

#include "docx_agile.h"

#include <libxml/tree.h>
#include <openssl/evp.h>

#include <QtEndian>
#include <memory>

#include "docx_compound.h"
#include "docx_xml.h"

const char* const docx_default_password = "VelvetSweatshop";

namespace {

constexpr int k_segment_bytes = 4096;
constexpr qint64 k_max_spin_count = 10000000;
const char* const k_password_encryptor =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";
// The block keys that tell the password's three keys apart.
const QByteArray k_verifier_input_key = QByteArray::fromHex("fea7d2763b4b9e79");
const QByteArray k_verifier_hash_key = QByteArray::fromHex("d7aa0f6d3061344e");
const QByteArray k_key_value_key = QByteArray::fromHex("146e0be7abacd0d6");

// What a keyData or encryptedKey element says about its cipher and hash.
struct key_parameters {
    const EVP_MD* hash = nullptr;
    const EVP_CIPHER* cipher = nullptr;
    int key_bytes = 0;
    int block_bytes = 0;
    int hash_bytes = 0;
    QByteArray salt;
};

xmlNode* find_element(xmlNode* node, const char* local_name) {
    for (xmlNode* n = node; n; n = n->next) {
        if (docx_is_named(n, local_name)) return n;
        if (xmlNode* found = find_element(n->children, local_name)) return found;
    }
    return nullptr;
}

QByteArray base64_attribute(const xmlNode* node, const char* name) {
    return QByteArray::fromBase64(docx_w_attribute(node, name).toLatin1());
}

// AES in CBC mode is what Office writes; other ciphers are not read.
bool read_parameters(const xmlNode* node, key_parameters& p) {
    if (!node || docx_w_attribute(node, "cipherAlgorithm") != QLatin1String("AES") ||
        docx_w_attribute(node, "cipherChaining") != QLatin1String("ChainingModeCBC"))
        return false;
    p.hash = EVP_get_digestbyname(docx_w_attribute(node, "hashAlgorithm").toLatin1().constData());
    const int bits = docx_w_attribute(node, "keyBits").toInt();
    p.cipher = bits == 128   ? EVP_aes_128_cbc()
               : bits == 192 ? EVP_aes_192_cbc()
               : bits == 256 ? EVP_aes_256_cbc()
                             : nullptr;
    p.key_bytes = bits / 8;
    p.block_bytes = docx_w_attribute(node, "blockSize").toInt();
    p.hash_bytes = docx_w_attribute(node, "hashSize").toInt();
    p.salt = base64_attribute(node, "saltValue");
    return p.hash && p.cipher && p.block_bytes == 16 && p.hash_bytes == EVP_MD_size(p.hash) &&
           p.salt.size() >= 16;
}

QByteArray digest(const EVP_MD* hash, const QByteArray& a, const QByteArray& b = QByteArray()) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), hash, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), a.constData(), static_cast<size_t>(a.size())) != 1 ||
        EVP_DigestUpdate(context.get(), b.constData(), static_cast<size_t>(b.size())) != 1 ||
        EVP_DigestFinal_ex(context.get(), out, &size) != 1)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<int>(size));
}

QByteArray little_endian_32(quint32 value) {
    QByteArray out(4, '\0');
    qToLittleEndian(value, reinterpret_cast<uchar*>(out.data()));
    return out;
}

// Cut to `size` bytes, or padded with 0x36 to it.
QByteArray fitted(QByteArray bytes, int size) {
    if (bytes.size() < size) bytes.append(QByteArray(size - bytes.size(), '\x36'));
    return bytes.left(size);
}

// Decrypts whole blocks (no padding); empty when the data is not whole blocks.
QByteArray decrypt(const EVP_CIPHER* cipher, const QByteArray& key, const QByteArray& iv,
                   const QByteArray& data) {
    if (data.isEmpty() || data.size() % 16 != 0) return QByteArray();
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            &EVP_CIPHER_CTX_free);
    QByteArray out(data.size(), '\0');
    int written = 0;
    if (!context ||
        EVP_DecryptInit_ex(context.get(), cipher, nullptr,
                           reinterpret_cast<const uchar*>(key.constData()),
                           reinterpret_cast<const uchar*>(iv.constData())) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_DecryptUpdate(context.get(), reinterpret_cast<uchar*>(out.data()), &written,
                          reinterpret_cast<const uchar*>(data.constData()), data.size()) != 1 ||
        written != data.size())
        return QByteArray();
    return out;
}

// The password's key for one purpose: its hash iterated `spins` times, then
// hashed with the purpose's block key.
class password_keys {
  public:
    password_keys(const key_parameters& p, const QString& password, qint64 spins) : p_(p) {
        const QByteArray utf16(reinterpret_cast<const char*>(password.utf16()),
                               password.size() * 2);
        hash_ = digest(p.hash, p.salt, utf16);
        for (qint64 i = 0; i < spins && !hash_.isEmpty(); ++i)
            hash_ = digest(p.hash, little_endian_32(static_cast<quint32>(i)), hash_);
    }
    QByteArray decrypt_with(const QByteArray& block_key, const QByteArray& data) const {
        const QByteArray key = fitted(digest(p_.hash, hash_, block_key), p_.key_bytes);
        return decrypt(p_.cipher, key, fitted(p_.salt, p_.block_bytes), data);
    }

  private:
    const key_parameters& p_;
    QByteArray hash_;
};

// The key the package is encrypted with, when the password opens it.
bool package_key(xmlNode* encrypted_key, const QString& password, QByteArray& key) {
    key_parameters p;
    const qint64 spins = docx_w_attribute(encrypted_key, "spinCount").toLongLong();
    if (!read_parameters(encrypted_key, p) || spins < 0 || spins > k_max_spin_count) return false;
    const password_keys keys(p, password, spins);
    const QByteArray input = keys.decrypt_with(
        k_verifier_input_key, base64_attribute(encrypted_key, "encryptedVerifierHashInput"));
    const QByteArray expected = keys.decrypt_with(
        k_verifier_hash_key, base64_attribute(encrypted_key, "encryptedVerifierHashValue"));
    if (input.size() < p.salt.size() || expected.size() < p.hash_bytes ||
        digest(p.hash, input.left(p.salt.size())) != expected.left(p.hash_bytes))
        return false;
    key = keys.decrypt_with(k_key_value_key, base64_attribute(encrypted_key, "encryptedKeyValue"))
              .left(p.key_bytes);
    return key.size() == p.key_bytes;
}

// The package: its size, then segments of 4096 bytes, each with an
// initialisation vector made from the key data's salt and its index.
bool decrypt_package(const key_parameters& data, const QByteArray& key, const QByteArray& encrypted,
                     qint64 max_bytes, QByteArray& out) {
    if (encrypted.size() < 8) return false;
    const quint64 size =
        qFromLittleEndian<quint64>(reinterpret_cast<const uchar*>(encrypted.constData()));
    if (size > static_cast<quint64>(max_bytes) || size > static_cast<quint64>(encrypted.size() - 8))
        return false;
    out.clear();
    for (qint64 at = 8, index = 0; out.size() < static_cast<qint64>(size);
         at += k_segment_bytes, ++index) {
        const QByteArray iv =
            fitted(digest(data.hash, data.salt, little_endian_32(static_cast<quint32>(index))),
                   data.block_bytes);
        const QByteArray plain = decrypt(data.cipher, key, iv, encrypted.mid(at, k_segment_bytes));
        if (plain.isEmpty()) return false;
        out += plain;
    }
    out.truncate(static_cast<int>(size));
    return true;
}

}  // namespace

bool docx_agile_decrypt(const QByteArray& file, const QString& password, qint64 max_bytes,
                        QByteArray& out) {
    out.clear();
    QByteArray info, encrypted;
    if (!docx_compound_stream(file, QStringLiteral("EncryptionInfo"), info) || info.size() < 8 ||
        !docx_compound_stream(file, QStringLiteral("EncryptedPackage"), encrypted))
        return false;
    // Version 4.4 is agile encryption; its description follows as XML.
    const uchar* header = reinterpret_cast<const uchar*>(info.constData());
    if (qFromLittleEndian<quint16>(header) != 4 || qFromLittleEndian<quint16>(header + 2) != 4)
        return false;
    QString error;
    docx_xml_ptr xml = docx_parse_xml(info.mid(8), error);
    xmlNode* root = xml ? xmlDocGetRootElement(xml.get()) : nullptr;
    key_parameters data;
    if (!root || !read_parameters(find_element(root, "keyData"), data)) return false;
    for (xmlNode* encryptor = find_element(root, "keyEncryptor"); encryptor;
         encryptor = encryptor->next) {
        if (!docx_is_named(encryptor, "keyEncryptor") ||
            docx_w_attribute(encryptor, "uri") != QLatin1String(k_password_encryptor))
            continue;
        QByteArray key;
        if (package_key(find_element(encryptor->children, "encryptedKey"), password, key) &&
            key.size() == data.key_bytes)
            return decrypt_package(data, key, encrypted, max_bytes, out);
    }
    return false;
}

#include "reader/acecrypt/AceDecryption.h"

#include "reader/acecrypt/EncryptionInfo.h"
#include "reader/acecrypt/PageCipher.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>  // memfd_create
#include <sys/resource.h>  // getrlimit
#include <sys/stat.h>
#include <unistd.h>

namespace acecrypt {
namespace {

constexpr std::size_t MaxPasswordUnits = 255;
constexpr std::size_t PagesPerRead = 64;
// Page numbers are 32-bit; Access itself stops at 2 GB.
constexpr std::uint64_t MaxFileSize = std::uint64_t(4) << 30;

bool unreadable(AceCryptoError &error, const std::string &what)
{
    return error.set(AceCryptoError::Kind::Unreadable, what);
}

std::string systemError() { return std::strerror(errno); }

// Why a read or write stopped: the system's error, or an end of file met
// (errno is then left over from an earlier call and means nothing).
std::string transferError() { return errno == 0 ? "the file ended early (it was shortened meanwhile)" : systemError(); }

// A file descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads (with ::pread) or writes (with ::pwrite) exactly `size` bytes at
// `offset`, going on after a short transfer or an interrupted call. On
// failure errno is 0 when the file ended first (see transferError).
template <class Byte, class Transfer>
bool transferAt(Transfer transfer, int fd, Byte *bytes, std::size_t size, std::uint64_t offset)
{
    while (size > 0) {
        const ssize_t n = transfer(fd, bytes, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = 0;
        if (n <= 0)
            return false;
        bytes += n, size -= std::size_t(n), offset += std::uint64_t(n);
    }
    return true;
}

bool readAt(int fd, std::uint8_t *out, std::size_t size, std::uint64_t offset)
{
    return transferAt(::pread, fd, out, size, offset);
}

bool writeAt(int fd, const std::uint8_t *in, std::size_t size, std::uint64_t offset)
{
    return transferAt(::pwrite, fd, in, size, offset);
}

// The first page from `page` on that may hold data: the holes of a sparse
// file are passed over. `pages` when only a hole follows; `page` itself
// when the file system cannot tell.
std::uint64_t nextDataPage(int fd, std::uint64_t page, std::uint64_t pages)
{
    if (page >= pages)
        return pages;
    const off_t at = ::lseek(fd, off_t(page * AcePageSize), SEEK_DATA);
    if (at < 0)
        return errno == ENXIO ? pages : page;
    return std::max(page, std::min(pages, std::uint64_t(at) / AcePageSize));
}

bool isZero(ByteView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// Writes the plaintext of the pages after the first into the image, a chunk
// at a time: the image is written, not mapped, so that it does not count
// against a reader's address-space limit. A page whose ciphertext is zeros
// (a hole of a sparse file, or a page never written) is left a hole of the
// image, which costs no memory: only the pages that hold something are
// decrypted and kept, and those at most up to `limit` bytes.
bool decryptPages(int in, std::uint64_t pages, PageCipher &cipher, int image, std::uint64_t limit,
                  AceCryptoError &error)
{
    Bytes chunk(PagesPerRead * AcePageSize);
    SecureBytes plain(chunk.size());  // the database's content, wiped like the keys
    std::uint64_t kept = AcePageSize;  // page 0
    std::size_t count = 0;
    for (std::uint64_t first = nextDataPage(in, 1, pages); first < pages;
         first = nextDataPage(in, first + count, pages)) {
        count = std::size_t(std::min<std::uint64_t>(PagesPerRead, pages - first));
        if (!readAt(in, chunk.data(), count * AcePageSize, first * AcePageSize))
            return unreadable(error, "cannot read page " + std::to_string(first) + ": " + transferError());
        // Runs of pages that hold something are decrypted and written together.
        for (std::size_t i = 0; i < count;) {
            std::size_t end = i;
            while (end < count && !isZero(ByteView(chunk.data() + end * AcePageSize, AcePageSize)))
                ++end;
            for (std::size_t k = i; k < end; ++k) {
                const ByteView page(chunk.data() + k * AcePageSize, AcePageSize);
                if (!cipher.decryptPage(std::uint32_t(first + k), page, plain.data() + k * AcePageSize))
                    return unreadable(error, "cannot decrypt page " + std::to_string(first + k));
            }
            kept += (end - i) * AcePageSize;
            if (kept > limit)
                return unreadable(error, "its decrypted pages take more than the reader's memory limit of " +
                                             std::to_string(limit >> 20) + " MiB");
            if (end > i && !writeAt(image, plain.data() + i * AcePageSize, (end - i) * AcePageSize,
                                    (first + i) * AcePageSize))
                return unreadable(error, "cannot write the decrypted image: " + transferError());
            i = end + 1;
        }
    }
    // A file shortened meanwhile reads as holes from where it ends.
    struct stat status {};
    if (::fstat(in, &status) != 0 || std::uint64_t(status.st_size) < pages * AcePageSize)
        return unreadable(error, "cannot read page " + std::to_string(std::uint64_t(status.st_size) / AcePageSize) +
                                     ": the file ended early (it was shortened meanwhile)");
    return true;
}

}  // namespace

std::uint64_t imageLimit()
{
    rlimit limit{};
    return ::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY ? std::uint64_t(limit.rlim_cur)
                                                                                   : UINT64_MAX;
}

DecryptedImage &DecryptedImage::operator=(DecryptedImage &&other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

DecryptedImage::~DecryptedImage()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool isEncryptedAceFile(const std::string &path)
{
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    std::uint8_t header[0x18 + 128];
    return file.fd >= 0 && readAt(file.fd, header, sizeof header, 0) && aceEncodingKey(header).has_value();
}

SecureBytes passwordBytes(std::string_view utf8)
{
    SecureBytes out;
    out.reserve(2 * MaxPasswordUnits);
    auto put = [&](char32_t unit) {
        out.push_back(std::uint8_t(unit));
        out.push_back(std::uint8_t(unit >> 8));
    };
    std::size_t i = 0;
    while (i < utf8.size() && out.size() < 2 * MaxPasswordUnits) {
        const auto lead = std::uint8_t(utf8[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + std::size_t(length) <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = std::uint8_t(utf8[i + std::size_t(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= least[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        i += valid ? std::size_t(length) : 1;
        if (!valid)
            code = 0xFFFD;
        if (code < 0x10000) {
            put(code);
        } else if (out.size() + 4 <= 2 * MaxPasswordUnits) {
            code -= 0x10000;
            put(0xD800 + (code >> 10));
            put(0xDC00 + (code & 0x3FF));
        } else {
            break;  // a surrogate pair that would pass the limit is left out whole
        }
        code = 0;
    }
    return out;
}

std::optional<DecryptedImage> decryptAceFile(const std::string &path, std::string_view password, AceCryptoError &error,
                                             std::uint64_t limit)
{
    std::string why;
    if (!loadLibCrypto(&why))
        return unreadable(error, why), std::nullopt;
    Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat status {};
    if (in.fd < 0 || ::fstat(in.fd, &status) != 0)
        return unreadable(error, "cannot open the file: " + systemError()), std::nullopt;
    const auto size = std::uint64_t(status.st_size);
    if (size < AcePageSize || size % AcePageSize != 0)
        return unreadable(error, "the file is truncated: " + std::to_string(size) + " bytes are not whole " +
                                     std::to_string(AcePageSize) + "-byte pages"),
               std::nullopt;
    if (size > MaxFileSize)
        return unreadable(error, "the file is larger than an ACE database can be"), std::nullopt;

    Bytes firstPage(AcePageSize);
    if (!readAt(in.fd, firstPage.data(), AcePageSize, 0))
        return unreadable(error, "cannot read the first page: " + transferError()), std::nullopt;
    const auto info = readEncryptionInfo(firstPage, error);
    if (!info)
        return std::nullopt;
    const auto cipher = unlockPages(*info, passwordBytes(password), error);
    if (!cipher)
        return std::nullopt;

    DecryptedImage image(::memfd_create("tabulo-ace-image", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (image.fd() < 0 || ::ftruncate(image.fd(), off_t(size)) != 0)
        return unreadable(error, "cannot make the decrypted image in memory: " + systemError()), std::nullopt;

    // Page 0 is not encrypted. Its encoding key is cleared so that libmdb
    // does not take the pages for Jet's RC4-encoded ones: the header bytes
    // are an RC4 stream, so XOR with the key's plaintext leaves zeros.
    for (std::size_t i = 0; i < info->encodingKey.size(); ++i)
        firstPage[0x3E + i] ^= info->encodingKey[i];
    if (!writeAt(image.fd(), firstPage.data(), AcePageSize, 0))
        return unreadable(error, "cannot write the decrypted image: " + transferError()), std::nullopt;
    if (!decryptPages(in.fd, size / AcePageSize, *cipher, image.fd(), limit, error))
        return std::nullopt;
    // Nothing may change the image from now on (best effort: old kernels lack seals).
    ::fcntl(image.fd(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return image;
}

}  // namespace acecrypt

#include "kx/xml/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <streambuf>

#include "kx/xml/xml_error.hpp"

namespace kx {

namespace {

[[noreturn]] void SaveError(const std::string& FileName, int Error) {
  throw EXMLError("Cannot save \"" + FileName + "\": " + std::strerror(Error));
}

// A buffered output stream buffer over a file descriptor that remembers the first error.
class TFileDescriptorBuffer : public std::streambuf {
 public:
  explicit TFileDescriptorBuffer(int Descriptor) noexcept : FDescriptor(Descriptor) {
    setp(FBuffer, FBuffer + sizeof(FBuffer));
  }
  int Error() const noexcept { return FError; }

 protected:
  int_type overflow(int_type Char) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(Char, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(Char);
      pbump(1);
    }
    return traits_type::not_eof(Char);
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Drain() noexcept {
    const char* Data = pbase();
    std::size_t Left = static_cast<std::size_t>(pptr() - pbase());
    while (Left > 0) {
      ssize_t Written = ::write(FDescriptor, Data, Left);
      if (Written < 0) {
        if (errno == EINTR) continue;
        if (FError == 0) FError = errno;
        return false;
      }
      Data += Written;
      Left -= static_cast<std::size_t>(Written);
    }
    setp(FBuffer, FBuffer + sizeof(FBuffer));
    return true;
  }

  int FDescriptor;
  int FError = 0;
  char FBuffer[64 * 1024];
};

// Removes the temporary file unless the save went through.
class TTemporaryFile {
 public:
  TTemporaryFile(const std::string& FileName, mode_t Mode) {
    static std::atomic<unsigned> Counter{0};
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
      FName = FileName + ".~" + std::to_string(::getpid()) + "-" + std::to_string(Counter++);
      // Created with the default mode through the umask, or the mode of the replaced file.
      FDescriptor = ::open(FName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
      if (FDescriptor >= 0 || errno != EEXIST) break;
    }
    if (FDescriptor < 0) SaveError(FileName, errno);
  }
  ~TTemporaryFile() {
    if (FDescriptor >= 0) ::close(FDescriptor);
    if (!FKept) ::unlink(FName.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  int Descriptor() const noexcept { return FDescriptor; }
  const std::string& Name() const noexcept { return FName; }
  // Closes the descriptor, reporting the error of a failed close.
  int Close() noexcept {
    int Result = ::close(FDescriptor);
    FDescriptor = -1;
    return Result == 0 ? 0 : errno;
  }
  void Keep() noexcept { FKept = true; }

 private:
  std::string FName;
  int FDescriptor = -1;
  bool FKept = false;
};

std::string FolderOf(const std::string& FileName) {
  std::string::size_type Slash = FileName.rfind('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : FileName.substr(0, Slash);
}

}  // namespace

void SaveToFileAtomically(const std::string& FileName,
                          const std::function<void(std::ostream& Stream)>& Write) {
  mode_t Mode = 0666;
  struct stat Existing;
  bool Replaces = ::stat(FileName.c_str(), &Existing) == 0;
  if (Replaces) Mode = Existing.st_mode & 07777;

  TTemporaryFile Temporary(FileName, Mode);
  // open() applies the umask; a replaced file's own mode is restored exactly.
  if (Replaces && ::fchmod(Temporary.Descriptor(), Mode) != 0) SaveError(FileName, errno);
  {
    TFileDescriptorBuffer Buffer(Temporary.Descriptor());
    std::ostream Stream(&Buffer);
    Write(Stream);
    Stream.flush();
    if (Buffer.Error() != 0) SaveError(FileName, Buffer.Error());
    if (!Stream) SaveError(FileName, EIO);
  }
  if (::fsync(Temporary.Descriptor()) != 0) SaveError(FileName, errno);
  if (int Error = Temporary.Close(); Error != 0) SaveError(FileName, Error);
  if (::rename(Temporary.Name().c_str(), FileName.c_str()) != 0) SaveError(FileName, errno);
  Temporary.Keep();

  // Make the rename itself durable; a folder that cannot be synced is not an error.
  int Folder = ::open(FolderOf(FileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Folder >= 0) {
    ::fsync(Folder);
    ::close(Folder);
  }
}

}  // namespace kx

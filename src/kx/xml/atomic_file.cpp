#include "kx/xml/atomic_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
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

std::string FolderOf(const std::string& FileName) {
  std::string::size_type Slash = FileName.rfind('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : FileName.substr(0, Slash);
}

// The file a save of FileName writes: a symbolic link is followed to its target (which may
// not exist yet), so that the link stays a link.
std::string ResolveLinks(const std::string& SavedName, std::string FileName) {
  for (int Hop = 0; Hop < 40; ++Hop) {
    struct stat Info;
    if (::lstat(FileName.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) return FileName;
    std::string Target(static_cast<std::size_t>(Info.st_size > 0 ? Info.st_size : 255) + 1, '\0');
    const ssize_t Length = ::readlink(FileName.c_str(), Target.data(), Target.size());
    if (Length <= 0) SaveError(SavedName, Length < 0 ? errno : ENOENT);
    // A link rewritten in between to a longer target; the next hop reads it again.
    if (static_cast<std::size_t>(Length) == Target.size()) continue;
    Target.resize(static_cast<std::size_t>(Length));
    FileName = Target.front() == '/' ? Target : FolderOf(FileName) + "/" + Target;
  }
  SaveError(SavedName, ELOOP);
}

bool SameFile(const struct stat& A, const struct stat& B) noexcept {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

// The temporary file of a save, locked while the save owns it. Its name depends only on
// the saved file, so a temporary left by a save that was killed is taken over and removed
// by the next save of the same file; the lock tells such a leftover from a save running at
// the same time, which is waited for. The name keeps the start of the file's own name for
// the reader and adds a hash of the whole name, so that it stays within the file system's
// name limit even for the longest names.
class TTemporaryFile {
 public:
  TTemporaryFile(const std::string& SavedName, const std::string& FileName)
      : FName(NameFor(FileName)) {
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
      FDescriptor =
          ::open(FName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      const bool Created = FDescriptor >= 0;
      if (!Created) {
        if (errno != EEXIST) SaveError(SavedName, errno);
        FDescriptor = ::open(FName.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        if (FDescriptor < 0) {
          if (errno == ENOENT) continue;  // its owner just finished
          SaveError(SavedName, errno);
        }
      }
      if (LockAndCheck()) {
        if (Created) return;
        // A leftover (its owner died holding nothing): remove it and start afresh, so the
        // new temporary gets the mode of a new file.
        ::unlink(FName.c_str());
      }
      ::close(FDescriptor);
      FDescriptor = -1;
    }
    SaveError(SavedName, EBUSY);
  }
  ~TTemporaryFile() {
    if (FDescriptor < 0) return;
    if (!FKept) ::unlink(FName.c_str());
    ::close(FDescriptor);
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  int Descriptor() const noexcept { return FDescriptor; }
  // Moves the written temporary over FileName; the lock is held until then, so no other
  // save touches the name in between.
  int RenameTo(const std::string& FileName) noexcept {
    if (::rename(FName.c_str(), FileName.c_str()) != 0) return errno;
    FKept = true;
    return 0;
  }

  static std::string NameFor(const std::string& FileName) {
    const std::string::size_type Slash = FileName.rfind('/');
    const std::string Base = Slash == std::string::npos ? FileName : FileName.substr(Slash + 1);
    std::uint64_t Hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char Char : Base) Hash = (Hash ^ Char) * 1099511628211ull;
    char Hex[17];
    std::snprintf(Hex, sizeof(Hex), "%016llx", static_cast<unsigned long long>(Hash));
    return FileName.substr(0, Slash == std::string::npos ? 0 : Slash + 1) + "." +
           Base.substr(0, 200) + ".~" + Hex;
  }

 private:
  // Waits for the lock, then checks that the name still leads to the locked file: a save
  // that held it may have renamed it away or removed it meanwhile.
  bool LockAndCheck() noexcept {
    while (::flock(FDescriptor, LOCK_EX) != 0) {
      if (errno != EINTR) return false;
    }
    struct stat Locked, Named;
    return ::fstat(FDescriptor, &Locked) == 0 && ::lstat(FName.c_str(), &Named) == 0 &&
           SameFile(Locked, Named);
  }

  std::string FName;
  int FDescriptor = -1;
  bool FKept = false;
};

}  // namespace

std::string SaveTemporaryName(const std::string& FileName) {
  return TTemporaryFile::NameFor(FileName);
}

void SaveToFileAtomically(const std::string& FileName,
                          const std::function<void(std::ostream& Stream)>& Write) {
  const std::string Target = ResolveLinks(FileName, FileName);
  struct stat Existing;
  const bool Replaces = ::stat(Target.c_str(), &Existing) == 0;
  if (Replaces) {
    if (S_ISDIR(Existing.st_mode)) SaveError(FileName, EISDIR);
    // Refused as opening the file for writing would refuse it (by the effective ids).
    if (::faccessat(AT_FDCWD, Target.c_str(), W_OK, AT_EACCESS) != 0) SaveError(FileName, errno);
  }

  TTemporaryFile Temporary(FileName, Target);
  if (Replaces) {
    // A replaced file keeps its mode and, where the user may give it, its owner.
    if (::fchmod(Temporary.Descriptor(), Existing.st_mode & 07777) != 0) {
      SaveError(FileName, errno);
    }
    [[maybe_unused]] const int Ignored =
        ::fchown(Temporary.Descriptor(), Existing.st_uid, Existing.st_gid);
  }
  {
    TFileDescriptorBuffer Buffer(Temporary.Descriptor());
    std::ostream Stream(&Buffer);
    try {
      Write(Stream);
      Stream.flush();
    } catch (...) {
      // The writer saw only a failing stream; the file system knows why.
      if (Buffer.Error() != 0) SaveError(FileName, Buffer.Error());
      throw;
    }
    if (Buffer.Error() != 0) SaveError(FileName, Buffer.Error());
    if (!Stream) SaveError(FileName, EIO);
  }
  if (::fsync(Temporary.Descriptor()) != 0) SaveError(FileName, errno);
  if (int Error = Temporary.RenameTo(Target); Error != 0) SaveError(FileName, Error);

  // Make the rename itself durable; a folder that cannot be synced is not an error.
  int Folder = ::open(FolderOf(Target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Folder >= 0) {
    ::fsync(Folder);
    ::close(Folder);
  }
}

}  // namespace kx

#include "kx/xml/atomic_file.hpp"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <ostream>

#include "xml_test_support.hpp"

namespace kx::test {
namespace {

using ::testing::UnorderedElementsAre;

void Save(const std::string& FileName, const std::string& Text) {
  SaveToFileAtomically(FileName, [&](std::ostream& Stream) { Stream << Text; });
}

TEST(AtomicFileTest, LeftoversLongNamesAndLinks) {
  TempFolder Folder;
  // A save killed midway left its temporary: the next save of that file takes it away.
  const std::string File = Folder.File("doc.xml");
  WriteFile(SaveTemporaryName(File), std::string(100000, 'x'));
  Save(File, "new");
  EXPECT_EQ(ReadFile(File), "new");
  EXPECT_THAT(Folder.Names(), ElementsAre("doc.xml"));

  // The longest names leave room for no suffix, yet save and replace.
  const std::string Long = Folder.File(std::string(254, 'n'));
  Save(Long, "first");
  Save(Long, "second");
  EXPECT_EQ(ReadFile(Long), "second");
  EXPECT_EQ(Folder.Names().size(), 2u);

  // Saving onto a link writes its target; the link stays.
  std::filesystem::remove(Long);
  std::filesystem::create_symlink("doc.xml", Folder.File("link.xml"));
  Save(Folder.File("link.xml"), "through the link");
  EXPECT_TRUE(std::filesystem::is_symlink(Folder.File("link.xml")));
  EXPECT_EQ(ReadFile(File), "through the link");
  EXPECT_THAT(Folder.Names(), UnorderedElementsAre("doc.xml", "link.xml"));
}

// A save replaces the file and keeps its permissions; a writer that fails leaves the old
// file and no temporary.
TEST(AtomicFileTest, ReplacesKeepingPermissionsOrKeepsTheOldFile) {
  TempFolder Folder;
  const std::string File = Folder.File("doc.xml");
  WriteFile(File, "old");
  ::chmod(File.c_str(), 0640);
  auto Doc = TKXXMLDocument::New("Root");
  SaveDocumentToFile(*Doc, File);
  EXPECT_EQ(ReadFile(File), Doc->SaveToXML());
  struct stat Info;
  ASSERT_EQ(::stat(File.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0640u);
  EXPECT_THROW(SaveToFileAtomically(File,
                                    [](std::ostream& Stream) {
                                      Stream << std::string(200000, 'x');
                                      throw EXMLError("writer failed");
                                    }),
               EXMLError);
  EXPECT_EQ(ReadFile(File), Doc->SaveToXML());
  EXPECT_THAT(Folder.Names(), ElementsAre("doc.xml"));
}

// A full disk, as the file-size limit gives it: the failure names the file and the reason
// even though the writer only saw its stream fail, and the old file stays.
TEST(AtomicFileTest, WriteFailureNamesTheFileAndTheReason) {
  TempFolder Folder;
  const std::string File = Folder.File("doc.xml");
  WriteFile(File, "old");
  rlimit Saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &Saved), 0);
  auto* Previous = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit Small{4096, Saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Small), 0);
  const std::string Error = ErrorOf([&] {
    SaveToFileAtomically(File, [](std::ostream& Stream) {
      Stream << std::string(1 << 20, 'x');
      if (!Stream) throw EXMLError("Cannot write the XML document to the stream");
    });
  });
  ::setrlimit(RLIMIT_FSIZE, &Saved);
  std::signal(SIGXFSZ, Previous);
  EXPECT_THAT(Error, AllOf(HasSubstr(File), HasSubstr("File too large")));
  EXPECT_EQ(ReadFile(File), "old");
  EXPECT_THAT(Folder.Names(), ElementsAre("doc.xml"));
}

}  // namespace
}  // namespace kx::test

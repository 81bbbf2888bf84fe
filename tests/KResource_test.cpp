// Resource streams over plain files and tar archives.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "KList.h"
#include "KMiscTools.h"
#include "KResource.h"
#include "KResourceArchive.h"

namespace {

std::string readAll(KResource &res) {
  int size = 0;
  res.seek(K_RES_END, 0);
  res.tell(size);
  res.seek(K_RES_BEGIN, 0);
  std::string s((size_t)size, '\0');
  if (size > 0) {
    EXPECT_EQ(res.read(&s[0], (unsigned long)size), K_RES_OK);
  }
  return s;
}

// One classic tar header block for a member.
std::string tarHeader(const std::string &name, size_t size, char linkflag = '0') {
  std::string h(512, '\0');
  memcpy(&h[0], name.data(), std::min<size_t>(name.size(), 100));
  char field[16];
  snprintf(field, sizeof(field), "%011zo", size);
  memcpy(&h[124], field, 11);
  h[156] = linkflag;
  memcpy(&h[257], "ustar", 5);
  return h;
}

std::string padded(const std::string &data) {
  std::string s = data;
  s.resize((data.size() + 511) / 512 * 512, '\0');
  return s;
}

// A resource folder in a temporary place whose own path has capitals, with
// the engine's paths pointed at it.
class ResourceTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/Trivello-Res-XXXXXX";
    root = mkdtemp(pattern);
    app = root + "/MyApp";
    res = app + "/Contents/Resources";
    system(("mkdir -p '" + res + "/data' '" + res + "/gfx'").c_str());
    strcpy(KMiscTools::currentAppPath, app.c_str());
    strcpy(KMiscTools::currentFilePath, root.c_str());
    KMiscTools::setFileSource(true);
  }
  void TearDown() override {
    KResource::removeAllArchives();
    system(("rm -rf '" + root + "'").c_str());
  }
  void write(const std::string &path, const std::string &content) { std::ofstream(path, std::ios::binary) << content; }
  std::string root, app, res;
};

TEST_F(ResourceTest, PlainFileBelowTheResourceFolderIsOpenedLowerCased) {
  write(res + "/data/eng.ini", "plain");
  KResource r;
  ASSERT_EQ(r.open(KMiscTools::makeFilePath("data\\ENG.Ini"), K_RES_READ), K_RES_OK);
  EXPECT_EQ(readAll(r), "plain");
  EXPECT_EQ(r._nBeginPos, 0u);
  EXPECT_FALSE(r._bFileInArchive);
}

// Plain files open under the name as passed first, then lower-cased: files
// with capitals (a player's own picture, a folder the resource folder sits
// in) are found, and the game's names written in any case still find the
// lower-case files on disk.
struct SpellingCase {
  const char *asked;  // a game name below the resource folder
  const char *expect; // the content read, null: not found
};

TEST_F(ResourceTest, PlainFilesOpenUnderTheNameAsPassedThenLowerCased) {
  write(res + "/data/eng.ini", "lower eng");
  system(("mkdir -p '" + res + "/Photos'").c_str());
  write(res + "/Photos/Eiffel.JPG", "capital photo");
  write(res + "/gfx/Both.png", "capital both");
  write(res + "/gfx/both.png", "lower both");
  write(root + "/Mixed.TXT", "outside capital");
  // Outside the resource folder the whole path is lower-cased, so this one
  // needs a folder whose own path is all lower case.
  std::string low = "/tmp/trivello-low-" + std::to_string(getpid());
  mkdir(low.c_str(), 0755);
  write(low + "/plain.txt", "outside lower");
  write(low + "/two.txt", "outside lower two");
  write(low + "/Two.txt", "outside capital two");

  const SpellingCase below[] = {
      {"data\\eng.ini", "lower eng"},  {"data\\ENG.Ini", "lower eng"},    {"Photos\\Eiffel.JPG", "capital photo"},
      {"photos\\eiffel.jpg", nullptr}, {"gfx\\Both.png", "capital both"}, {"gfx\\both.png", "lower both"},
      {"GFX\\BOTH.PNG", "lower both"},
  };
  for (const SpellingCase &c : below) {
    SCOPED_TRACE(c.asked);
    KResource r;
    KResourceResult got = r.open(KMiscTools::makeFilePath(c.asked), K_RES_READ);
    ASSERT_EQ(got, c.expect ? K_RES_OK : K_RES_NOTFOUND);
    if (c.expect) {
      EXPECT_EQ(readAll(r), c.expect);
    }
  }
  struct {
    std::string path;
    const char *expect;
  } outside[] = {
      {root + "/Mixed.TXT", "outside capital"}, {root + "/mixed.txt", nullptr},
      {low + "/PLAIN.TXT", "outside lower"},    {low + "/Two.txt", "outside capital two"},
      {low + "/two.txt", "outside lower two"},
  };
  for (const auto &c : outside) {
    SCOPED_TRACE(c.path);
    KResource r;
    ASSERT_EQ(r.open(c.path.c_str(), K_RES_READ), c.expect ? K_RES_OK : K_RES_NOTFOUND);
    if (c.expect) {
      EXPECT_EQ(readAll(r), c.expect);
    }
  }
  system(("rm -rf '" + low + "'").c_str());
}

TEST_F(ResourceTest, StateModeAndParameterErrors) {
  write(res + "/data/a.txt", "abc");
  KResource r;
  char buf[4];
  int pos = 0;
  EXPECT_EQ(r.read(buf, 1), K_RES_STATE);
  EXPECT_EQ(r.seek(K_RES_BEGIN, 0), K_RES_STATE);
  EXPECT_EQ(r.tell(pos), K_RES_STATE);
  EXPECT_EQ(r.open(KMiscTools::makeFilePath("data\\missing.txt"), K_RES_READ), K_RES_NOTFOUND);
  EXPECT_EQ(r.open(KMiscTools::makeFilePath("data\\a.txt"), K_RES_CLOSED), K_RES_PARAM);
  ASSERT_EQ(r.open(KMiscTools::makeFilePath("data\\a.txt"), K_RES_READ), K_RES_OK);
  // Opening an open resource changes nothing.
  EXPECT_EQ(r.open(KMiscTools::makeFilePath("data\\missing.txt"), K_RES_READ), K_RES_STATE);
  EXPECT_EQ(readAll(r), "abc");
  EXPECT_EQ(r.read(buf, 0), K_RES_IOERR);
  r.seek(K_RES_BEGIN, 1);
  EXPECT_EQ(r.read(buf, 5), K_RES_IOERR); // short read
  EXPECT_EQ(r.seek((KResourceWhence)7, 0), K_RES_PARAM);
  r.seek(K_RES_END, -1);
  r.tell(pos);
  EXPECT_EQ(pos, 2); // a plain file's end plus the offset
  // A name the buffers cannot hold is refused.
  std::string longName(300, 'n');
  KResource other;
  EXPECT_EQ(other.open(longName.c_str(), K_RES_READ), K_RES_PARAM);
  KResourceArchive a;
  EXPECT_EQ(a.openResource(longName.c_str(), &other), K_RES_PARAM);
  EXPECT_EQ(r.openResource("x", &other), K_RES_STATE); // a plain resource holds no members
}

TEST_F(ResourceTest, ArchivesMadeByTarAreSearchedOldestFirstBeforePlainFiles) {
  std::string src1 = root + "/src1", src2 = root + "/src2";
  system(("mkdir -p '" + src1 + "/data' '" + src2 + "/data' '" + src2 + "/gfx'").c_str());
  write(src1 + "/data/eng.ini", "from the first archive");
  write(src2 + "/data/eng.ini", "from the second archive");
  write(src2 + "/gfx/back.jpg", std::string(1500, 'j'));
  ASSERT_EQ(system(("tar -C '" + src1 + "' -cf '" + root + "/one.tar' data/eng.ini").c_str()), 0);
  ASSERT_EQ(system(("tar -C '" + src2 + "' -cf '" + root + "/two.tar' data gfx").c_str()), 0);
  write(res + "/data/eng.ini", "plain file");

  KResource r;
  ASSERT_EQ(r.open(KMiscTools::makeFilePath("data\\eng.ini"), K_RES_READ), K_RES_OK);
  EXPECT_EQ(readAll(r), "plain file");
  r.close();

  ASSERT_EQ(KResource::addArchive((root + "/one.tar").c_str()), K_RES_OK);
  ASSERT_EQ(KResource::addArchive((root + "/two.tar").c_str()), K_RES_OK);
  EXPECT_EQ(KResource::addArchive((root + "/none.tar").c_str()), K_RES_NOTFOUND);
  EXPECT_EQ(KResource::_lArchives.getCount(), 2);

  ASSERT_EQ(r.open(KMiscTools::makeFilePath("data\\eng.ini"), K_RES_READ), K_RES_OK);
  EXPECT_TRUE(r._bFileInArchive);
  EXPECT_EQ(readAll(r), "from the first archive");
  r.close();
  ASSERT_EQ(r.open(KMiscTools::makeFilePath("gfx\\Back.JPG"), K_RES_READ), K_RES_OK);
  EXPECT_EQ(readAll(r), std::string(1500, 'j'));
  // K_RES_END on a member counts the offset back from the member's end.
  int pos = 0;
  r.seek(K_RES_END, 100);
  r.tell(pos);
  EXPECT_EQ(pos, 1400);
  r.close();
  // Names outside the resource folder are looked up as passed.
  ASSERT_EQ(r.open("data\\eng.ini", K_RES_READ), K_RES_OK);
  EXPECT_EQ(readAll(r), "from the first archive");
}

TEST_F(ResourceTest, HandBuiltArchiveMembersAndTheirPositions) {
  std::string big(513, 'b');
  big[512] = 'E';
  std::string tar = tarHeader("empty.txt", 0) + tarHeader("big.bin", 513) + padded(big) + tarHeader("dir/", 0, '5') +
                    tarHeader("last.txt", 4) + padded("last") + std::string(1024, '\0');
  write(root + "/hand.tar", tar);
  ASSERT_EQ(KResource::addArchive((root + "/hand.tar").c_str()), K_RES_OK);

  KResource r;
  int pos = -1;
  ASSERT_EQ(r.open("empty.txt", K_RES_READ), K_RES_OK);
  EXPECT_EQ(r._nBeginPos, 512u);
  EXPECT_EQ(r._nSize, 0u);
  r.seek(K_RES_END, 0);
  r.tell(pos);
  EXPECT_EQ(pos, 0); // an empty member ends where it begins
  r.close();

  ASSERT_EQ(r.open("big.bin", K_RES_READ), K_RES_OK);
  EXPECT_EQ(r._nBeginPos, 1024u);
  EXPECT_EQ(readAll(r), big);
  r.close();

  // The 513-byte member takes two blocks: the next header is 1,024 bytes on.
  ASSERT_EQ(r.open("dir/", K_RES_READ), K_RES_NOTFOUND); // a directory is no file
  ASSERT_EQ(r.open("last.txt", K_RES_READ), K_RES_OK);
  EXPECT_EQ(r._nBeginPos, 1024u + 1024u + 512u + 512u);
  EXPECT_EQ(readAll(r), "last");
}

TEST_F(ResourceTest, ArchiveOfDirectoriesOnlyFindsNothing) {
  write(root + "/dirs.tar", tarHeader("data/", 0, '5') + tarHeader("gfx/", 0, '5') + std::string(1024, '\0'));
  KResourceArchive a;
  ASSERT_EQ(a.open((root + "/dirs.tar").c_str()), K_RES_OK);
  KResource r;
  EXPECT_EQ(a.openResource("data/", &r), K_RES_NOTFOUND);
  EXPECT_EQ(a.openResource("data\\eng.ini", &r), K_RES_NOTFOUND);
}

TEST_F(ResourceTest, ArchiveInsideAnArchive) {
  std::string inner = tarHeader("data/eng.ini", 5) + padded("inner") + std::string(1024, '\0');
  std::string outer = tarHeader("readme.txt", 3) + padded("abc") + tarHeader("packs/inner.tar", inner.size()) +
                      padded(inner) + std::string(1024, '\0');
  write(root + "/outer.tar", outer);
  ASSERT_EQ(KResource::addArchive((root + "/outer.tar").c_str()), K_RES_OK);
  ASSERT_EQ(KResource::addArchive("packs\\inner.tar"), K_RES_OK);
  KResource r;
  ASSERT_EQ(r.open(KMiscTools::makeFilePath("data\\eng.ini"), K_RES_READ), K_RES_OK);
  EXPECT_EQ(readAll(r), "inner");
}

TEST_F(ResourceTest, TruncatedArchivesEndTheSearchWithAnError) {
  // A header whose size runs past the end of the file.
  write(root + "/cut.tar", tarHeader("huge.bin", 1u << 30) + padded("only a little"));
  KResourceArchive cut;
  ASSERT_EQ(cut.open((root + "/cut.tar").c_str()), K_RES_OK);
  KResource r;
  EXPECT_EQ(cut.openResource("huge.bin", &r), K_RES_IOERR);
  EXPECT_EQ(cut.openResource("other.bin", &r), K_RES_IOERR);
  EXPECT_EQ(r._nMode, K_RES_CLOSED);

  // No closing zero block: a clean end between members ends the archive;
  // a header cut short is an error.
  write(root + "/open.tar", tarHeader("a.txt", 1) + padded("a"));
  KResourceArchive open;
  ASSERT_EQ(open.open((root + "/open.tar").c_str()), K_RES_OK);
  EXPECT_EQ(open.openResource("b.txt", &r), K_RES_NOTFOUND);
  EXPECT_EQ(open.openResource("a.txt", &r), K_RES_OK);
  write(root + "/half.tar", tarHeader("a.txt", 1) + padded("a") + std::string(100, 'x'));
  KResourceArchive half;
  ASSERT_EQ(half.open((root + "/half.tar").c_str()), K_RES_OK);
  KResource h2;
  EXPECT_EQ(half.openResource("b.txt", &h2), K_RES_IOERR);

  // A garbage size field reads as the digits it starts with.
  std::string h = tarHeader("g.txt", 0);
  memcpy(&h[124], "  12x99", 7);
  write(root + "/odd.tar", h + padded("0123456789") + std::string(1024, '\0'));
  KResourceArchive odd;
  ASSERT_EQ(odd.open((root + "/odd.tar").c_str()), K_RES_OK);
  KResource g;
  ASSERT_EQ(odd.openResource("g.txt", &g), K_RES_OK);
  EXPECT_EQ(g._nSize, 10u); // octal 12
}

TEST_F(ResourceTest, MemberPositionsAreCountedFromTheMemberStart) {
  write(root + "/m.tar", tarHeader("pre.txt", 3) + padded("pre") + tarHeader("m.txt", 10) + padded("0123456789") +
                             std::string(1024, '\0'));
  ASSERT_EQ(KResource::addArchive((root + "/m.tar").c_str()), K_RES_OK);
  KResource r;
  ASSERT_EQ(r.open("m.txt", K_RES_READ), K_RES_OK);
  char c[3] = {};
  int pos = -1;
  r.seek(K_RES_BEGIN, 2);
  r.seek(K_RES_CURRENT, 3);
  r.tell(pos);
  EXPECT_EQ(pos, 5);
  ASSERT_EQ(r.read(c, 2), K_RES_OK);
  EXPECT_STREQ(c, "56");
  r.seek(K_RES_END, 3);
  ASSERT_EQ(r.read(c, 2), K_RES_OK);
  EXPECT_STREQ(c, "78");
  r.close();
  EXPECT_EQ(r._lpFile, nullptr);
  EXPECT_EQ(r._nBeginPos, 0u);
  EXPECT_EQ(r._nSize, 0u);
  // Closing a member leaves the archive's shared file open.
  ASSERT_EQ(r.open("m.txt", K_RES_READ), K_RES_OK);
  EXPECT_EQ(readAll(r), "0123456789");
}

// A node whose links can be told apart from a KResource's.
struct Node : KObjectListable {
  int value = 0;
};

TEST(ObjectList, ElementsAreLinkedInOrderAndNeverCopiedIntoAList) {
  Node a, b, c;
  a.value = 1, b.value = 2, c.value = 3;
  {
    KList<Node> list;
    EXPECT_EQ(list.getHead(), nullptr);
    EXPECT_EQ(list._lpListNext, &list);
    EXPECT_EQ(list._lpListPred, &list);
    list.addToTail(&a);
    list.addToTail(&b);
    list.addToTail(&c);
    EXPECT_EQ(list.getCount(), 3);
    std::vector<int> order;
    for (Node *n = list.getHead(); n; n = list.getNext(n))
      order.push_back(n->value);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));

    // A copy is outside every list; assigning to a listed node keeps the list whole.
    Node copy(b);
    EXPECT_EQ(copy._lpListNext, nullptr);
    EXPECT_EQ(copy._lpListPred, nullptr);
    b = copy;
    EXPECT_EQ(b._lpListPred, &a);
    EXPECT_EQ(b._lpListNext, &c);

    list.remove(&b);
    EXPECT_EQ(b._lpListNext, nullptr);
    EXPECT_EQ(list.getCount(), 2);
    list.remove(&b); // not in the list any more: nothing changes
    EXPECT_EQ(list.getCount(), 2);
    EXPECT_EQ(list.getNext(&a), &c);
    EXPECT_EQ(c._lpListPred, &a);
  }
  // The list's end unlinks what it still held, without deleting it.
  EXPECT_EQ(a._lpListNext, nullptr);
  EXPECT_EQ(c._lpListPred, nullptr);
  EXPECT_EQ(c.value, 3);
}

TEST_F(ResourceTest, MemberOfAClosedArchiveCannotBeOpened) {
  KResource archive, member;
  EXPECT_EQ(member.open(&archive, 10), K_RES_STATE);
}

} // namespace

// The hostile archives of tests/data/hostile (made by tools/make_hostile.py).
const std::string kHostile = TRIVELLO_SOURCE_DIR "/tests/data/hostile/";

TEST_F(ResourceTest, ReadsStopAtTheMemberEnd) {
  write(root + "/four.tar",
        tarHeader("four.txt", 4) + padded("abcd") + tarHeader("next.txt", 3) + padded("xyz") + std::string(1024, '\0'));
  ASSERT_EQ(KResource::addArchive((root + "/four.tar").c_str()), K_RES_OK);
  KResource r;
  ASSERT_EQ(r.open("four.txt", K_RES_READ), K_RES_OK);
  std::vector<char> big(600, '?');
  // Formerly the padding and the next header came back as if they were data.
  EXPECT_EQ(r.read(big.data(), big.size()), K_RES_IOERR);
  char c[5] = {};
  ASSERT_EQ(r.read(c, 4), K_RES_OK);
  EXPECT_STREQ(c, "abcd");
  EXPECT_EQ(r.read(c, 1), K_RES_IOERR); // nothing after the end
  r.seek(K_RES_BEGIN, 3);
  EXPECT_EQ(r.read(c, 2), K_RES_IOERR);            // one byte left, two asked
  EXPECT_EQ(r.seek(K_RES_BEGIN, -1), K_RES_PARAM); // never before the start
  int pos = -1;
  r.tell(pos);
  EXPECT_EQ(pos, 3);
}

TEST_F(ResourceTest, MembersReadAlternatelyKeepTheirOwnPositions) {
  write(root + "/two.tar",
        tarHeader("a.txt", 6) + padded("abcdef") + tarHeader("b.txt", 6) + padded("uvwxyz") + std::string(1024, '\0'));
  ASSERT_EQ(KResource::addArchive((root + "/two.tar").c_str()), K_RES_OK);
  KResource a, b;
  ASSERT_EQ(a.open("a.txt", K_RES_READ), K_RES_OK);
  char c[3] = {};
  ASSERT_EQ(a.read(c, 2), K_RES_OK);
  EXPECT_STREQ(c, "ab");
  ASSERT_EQ(b.open("b.txt", K_RES_READ), K_RES_OK); // walks the archive's headers
  ASSERT_EQ(a.read(c, 2), K_RES_OK);
  EXPECT_STREQ(c, "cd");
  ASSERT_EQ(b.read(c, 2), K_RES_OK);
  EXPECT_STREQ(c, "uv");
  ASSERT_EQ(a.read(c, 2), K_RES_OK);
  EXPECT_STREQ(c, "ef");
  int pos = -1;
  b.tell(pos);
  EXPECT_EQ(pos, 2);
}

// Archives cut short are refused when registered; the search then goes on
// through the archives that were registered and ends at the loose file.
TEST_F(ResourceTest, CorruptArchivesAreRefusedAndTheSearchGoesOnToTheLooseFile) {
  write(root + "/huge.tar", tarHeader("data/eng.ini", 1u << 30) + padded("only a little"));
  write(root + "/half.tar", tarHeader("a.txt", 1) + padded("a") + std::string(100, 'x'));
  write(root + "/nopad.tar", tarHeader("a.txt", 600) + std::string(600, 'a'));
  const std::string corrupt[] = {kHostile + "overrun.tar", kHostile + "cut_header.tar", root + "/huge.tar",
                                 root + "/half.tar", root + "/nopad.tar"};
  for (const std::string &path : corrupt) {
    SCOPED_TRACE(path);
    EXPECT_EQ(KResource::addArchive(path.c_str()), K_RES_IOERR);
    EXPECT_EQ(KResource::_lArchives.getCount(), 0);
  }
  // Well-formed, with or without the closing zero block.
  write(root + "/other.tar", tarHeader("data/other.txt", 5) + padded("other"));
  write(root + "/good.tar", tarHeader("data/eng.ini", 7) + padded("archive") + std::string(1024, '\0'));
  write(res + "/data/eng.ini", "loose eng");
  write(res + "/data/loose.txt", "loose only");
  ASSERT_EQ(KResource::addArchive(corrupt[0].c_str()), K_RES_IOERR);
  ASSERT_EQ(KResource::addArchive((root + "/other.tar").c_str()), K_RES_OK);
  ASSERT_EQ(KResource::addArchive((root + "/good.tar").c_str()), K_RES_OK);
  ASSERT_EQ(KResource::_lArchives.getCount(), 2);

  struct {
    const char *name, *expect;
  } found[] = {{"data\\other.txt", "other"}, {"data\\eng.ini", "archive"}, {"data\\loose.txt", "loose only"}};
  for (const auto &c : found) {
    SCOPED_TRACE(c.name);
    KResource r;
    ASSERT_EQ(r.open(KMiscTools::makeFilePath(c.name), K_RES_READ), K_RES_OK);
    EXPECT_EQ(readAll(r), c.expect);
  }
  // An archive cut after it was registered no longer answers, and the
  // search still reaches the loose file.
  ASSERT_EQ(truncate((root + "/good.tar").c_str(), 300), 0);
  KResource r;
  ASSERT_EQ(r.open(KMiscTools::makeFilePath("data\\eng.ini"), K_RES_READ), K_RES_OK);
  EXPECT_FALSE(r._bFileInArchive);
  EXPECT_EQ(readAll(r), "loose eng");
}

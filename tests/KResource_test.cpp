// Resource streams over plain files and tar archives, and the object list
// that holds the archives.
#include <gtest/gtest.h>

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

// What opening `name` gives: the content read, or the result code.
std::string contentOf(const std::string &name) {
  KResource r;
  KResourceResult got = r.open(name.c_str(), K_RES_READ);
  return got == K_RES_OK ? readAll(r) : "result " + std::to_string(got);
}

const std::string kNotFound = "result " + std::to_string(K_RES_NOTFOUND);

std::string padded(const std::string &data) { return data + std::string((512 - data.size() % 512) % 512, '\0'); }

// One classic tar header block for a member.
std::string tarHeader(const std::string &name, size_t size, char linkflag = '0') {
  std::string h(512, '\0');
  memcpy(&h[0], name.data(), std::min<size_t>(name.size(), 100));
  snprintf(&h[124], 12, "%011zo", size);
  h[156] = linkflag;
  memcpy(&h[257], "ustar", 5);
  return h;
}

// An archive of regular members, with the closing zero blocks.
std::string tarOf(const std::vector<std::pair<std::string, std::string>> &members) {
  std::string tar;
  for (const auto &m : members)
    tar += tarHeader(m.first, m.second.size()) + padded(m.second);
  return tar + std::string(1024, '\0');
}

// A resource folder in a temporary place whose own path has capitals, with
// the engine's paths pointed at it.
class ResourceTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/Trivello-Res-XXXXXX";
    root = mkdtemp(pattern);
    res = root + "/MyApp/Contents/Resources";
    system(("mkdir -p '" + res + "/data' '" + res + "/gfx'").c_str());
    strcpy(KMiscTools::currentAppPath, (root + "/MyApp").c_str());
    strcpy(KMiscTools::currentFilePath, root.c_str());
    KMiscTools::setFileSource(true);
  }
  void TearDown() override {
    KResource::removeAllArchives();
    system(("rm -rf '" + root + "'").c_str());
  }
  void write(const std::string &path, const std::string &content) { std::ofstream(path, std::ios::binary) << content; }
  std::string root, res;
};

// Plain files open under the name as passed first, then lower-cased: files
// with capitals (a player's own picture, a folder the resource folder sits
// in) are found, and the game's names written in any case still find the
// lower-case files on disk. Outside the resource folder the whole path is
// lower-cased, so those cases need a folder whose own path is lower case.
TEST_F(ResourceTest, PlainFilesOpenUnderTheNameAsPassedThenLowerCased) {
  const std::string low = "/tmp/trivello-low-" + std::to_string(getpid());
  system(("mkdir -p '" + res + "/Photos' " + low).c_str());
  const std::string files[] = {
      res + "/data/eng.ini", res + "/Photos/Eiffel.JPG", res + "/gfx/Both.png", res + "/gfx/both.png",
      root + "/Mixed.TXT",   low + "/plain.txt",         low + "/two.txt",      low + "/Two.txt"};
  for (const std::string &f : files)
    write(f, f); // each file holds its own path
  const std::pair<std::string, std::string> cases[] = {
      {"data\\eng.ini", files[0]},       {"data\\ENG.Ini", files[0]},     {"Photos\\Eiffel.JPG", files[1]},
      {"photos\\eiffel.jpg", kNotFound}, {"gfx\\Both.png", files[2]},     {"gfx\\both.png", files[3]},
      {"GFX\\BOTH.PNG", files[3]},       {root + "/Mixed.TXT", files[4]}, {root + "/mixed.txt", kNotFound},
      {low + "/PLAIN.TXT", files[5]},    {low + "/Two.txt", files[7]},    {low + "/two.txt", files[6]}};
  for (const auto &c : cases)
    EXPECT_EQ(contentOf(KMiscTools::makeFilePath(c.first.c_str())), c.second) << c.first;
  system(("rm -rf '" + low + "'").c_str());
}

TEST_F(ResourceTest, StateModeAndParameterErrors) {
  write(res + "/data/a.txt", "abc");
  KResource r, other;
  char buf[4];
  int pos = 0;
  EXPECT_EQ(r.read(buf, 1), K_RES_STATE);
  EXPECT_EQ(r.seek(K_RES_BEGIN, 0), K_RES_STATE);
  EXPECT_EQ(r.tell(pos), K_RES_STATE);
  EXPECT_EQ(other.open(&r, 10), K_RES_STATE); // a member of a closed archive
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
  EXPECT_EQ(other.open(longName.c_str(), K_RES_READ), K_RES_PARAM);
  KResourceArchive a;
  EXPECT_EQ(a.openResource(longName.c_str(), &other), K_RES_PARAM);
  EXPECT_EQ(r.openResource("x", &other), K_RES_STATE); // a plain resource holds no members
}

// Members of one hand-built archive read whole: an empty one, one of
// 513 bytes taking two blocks, a directory (no file), reads that stop at the
// member's end (formerly the padding and the next header came back as if
// they were data), and members read alternately keeping their own positions.
TEST_F(ResourceTest, MembersKeepTheirOwnBoundsAndPositions) {
  std::string big(513, 'b');
  big[512] = 'E';
  write(root + "/hand.tar", tarHeader("empty.txt", 0) + tarHeader("big.bin", 513) + padded(big) +
                                tarHeader("dir/", 0, '5') + tarOf({{"a.txt", "abcdefghij"}, {"b.txt", "uvwxyz"}}));
  ASSERT_EQ(KResource::addArchive((root + "/hand.tar").c_str()), K_RES_OK);
  const std::pair<const char *, std::string> members[] = {
      {"empty.txt", ""}, {"big.bin", big}, {"dir/", kNotFound}, {"a.txt", "abcdefghij"}, {"b.txt", "uvwxyz"}};
  for (const auto &m : members)
    EXPECT_EQ(contentOf(m.first), m.second) << m.first;
  // The next two bytes of a member, or "error".
  auto next2 = [](KResource &r) {
    char c[3] = {};
    return r.read(c, 2) == K_RES_OK ? std::string(c) : "error";
  };
  KResource a, b;
  ASSERT_EQ(a.open("a.txt", K_RES_READ), K_RES_OK);
  std::vector<char> buf(600, '?');
  EXPECT_EQ(a.read(buf.data(), buf.size()), K_RES_IOERR);
  EXPECT_EQ(next2(a), "ab");
  ASSERT_EQ(b.open("b.txt", K_RES_READ), K_RES_OK); // walks the archive's headers
  EXPECT_EQ(next2(a), "cd");
  EXPECT_EQ(next2(b), "uv");
  EXPECT_EQ(next2(a), "ef");
  int pos = -1;
  b.tell(pos);
  EXPECT_EQ(pos, 2);
  a.seek(K_RES_BEGIN, 2);
  a.seek(K_RES_CURRENT, 3);
  a.tell(pos);
  EXPECT_EQ(pos, 5);
  a.seek(K_RES_END, 3);
  EXPECT_EQ(next2(a), "hi");
  EXPECT_EQ(next2(a), "error"); // one byte left, two asked
  char c;
  a.seek(K_RES_BEGIN, 10);
  EXPECT_EQ(a.read(&c, 1), K_RES_IOERR);           // nothing after the end
  EXPECT_EQ(a.seek(K_RES_BEGIN, -1), K_RES_PARAM); // never before the start
  a.tell(pos);
  EXPECT_EQ(pos, 10);
  a.close();
  EXPECT_EQ(contentOf("a.txt"), "abcdefghij"); // closing a member leaves the archive's shared file open
}

// Searched directly, an archive cut short ends the search with an error,
// never a hang or a read out of bounds: a header whose size runs past the
// file's end, a header cut short. A clean end between members ends the
// archive like the closing zero block. A garbage size field reads as the
// digits it starts with.
TEST_F(ResourceTest, ArchivesCutShortEndTheSearchWithAnError) {
  std::string odd = tarHeader("g.txt", 0);
  memcpy(&odd[124], "  12x99", 7);
  odd += padded("0123456789") + std::string(1024, '\0');
  const std::string dirs = tarHeader("data/", 0, '5') + tarHeader("gfx/", 0, '5') + std::string(1024, '\0');
  const std::string cut = tarHeader("huge.bin", 1u << 30) + padded("only a little");
  const std::string open = tarHeader("a.txt", 1) + padded("a"), half = open + std::string(100, 'x');
  const struct {
    std::string tar;
    const char *name;
    KResourceResult result;
    unsigned size;
  } cases[] = {{cut, "huge.bin", K_RES_IOERR, 0},  {cut, "other.bin", K_RES_IOERR, 0},
               {open, "a.txt", K_RES_OK, 1},       {open, "b.txt", K_RES_NOTFOUND, 0},
               {half, "b.txt", K_RES_IOERR, 0},    {odd, "g.txt", K_RES_OK, 10},
               {dirs, "data/", K_RES_NOTFOUND, 0}, {dirs, "data\\eng.ini", K_RES_NOTFOUND, 0}};
  for (const auto &c : cases) {
    write(root + "/t.tar", c.tar);
    KResourceArchive archive;
    ASSERT_EQ(archive.open((root + "/t.tar").c_str()), K_RES_OK);
    KResource member;
    EXPECT_EQ(archive.openResource(c.name, &member), c.result) << c.name;
    EXPECT_EQ(member._nMode, c.result == K_RES_OK ? K_RES_READ : K_RES_CLOSED);
    EXPECT_EQ(member._nSize, c.size);
  }
}

// The hostile archives of tests/data/hostile (made by tools/make_hostile.py).
const std::string kHostile = TRIVELLO_SOURCE_DIR "/tests/data/hostile/";

// Archives cut short are refused when registered; the search then goes on
// through the archives that were registered and ends at the loose file.
TEST_F(ResourceTest, CorruptArchivesAreRefusedAndTheSearchGoesOnToTheLooseFile) {
  write(root + "/huge.tar", tarHeader("data/eng.ini", 1u << 30) + padded("only a little"));
  write(root + "/half.tar", tarHeader("a.txt", 1) + padded("a") + std::string(100, 'x'));
  write(root + "/nopad.tar", tarHeader("a.txt", 600) + std::string(600, 'a'));
  for (const std::string &path : {kHostile + "overrun.tar", kHostile + "cut_header.tar", root + "/huge.tar",
                                  root + "/half.tar", root + "/nopad.tar"}) {
    EXPECT_EQ(KResource::addArchive(path.c_str()), K_RES_IOERR) << path;
    EXPECT_EQ(KResource::_lArchives.getCount(), 0);
  }
  // Well-formed, with or without the closing zero block.
  write(root + "/other.tar", tarHeader("data/other.txt", 5) + padded("other"));
  write(root + "/good.tar", tarOf({{"data/eng.ini", "archive"}}));
  write(res + "/data/eng.ini", "loose eng");
  write(res + "/data/loose.txt", "loose only");
  ASSERT_EQ(KResource::addArchive((kHostile + "overrun.tar").c_str()), K_RES_IOERR);
  ASSERT_EQ(KResource::addArchive((root + "/other.tar").c_str()), K_RES_OK);
  ASSERT_EQ(KResource::addArchive((root + "/good.tar").c_str()), K_RES_OK);
  ASSERT_EQ(KResource::_lArchives.getCount(), 2);
  EXPECT_EQ(contentOf(KMiscTools::makeFilePath("data\\other.txt")), "other");
  EXPECT_EQ(contentOf(KMiscTools::makeFilePath("data\\eng.ini")), "archive");
  EXPECT_EQ(contentOf(KMiscTools::makeFilePath("data\\loose.txt")), "loose only");
  // An archive cut after it was registered no longer answers, and the
  // search still reaches the loose file.
  ASSERT_EQ(truncate((root + "/good.tar").c_str(), 300), 0);
  EXPECT_EQ(contentOf(KMiscTools::makeFilePath("data\\eng.ini")), "loose eng");
}

struct Node : KObjectListable {};

TEST(ObjectList, ElementsAreLinkedInOrderAndNeverCopiedIntoAList) {
  Node a, b, c;
  {
    KList<Node> list;
    EXPECT_EQ(list.getHead(), nullptr);
    for (Node *n : {&a, &b, &c})
      list.addToTail(n);
    EXPECT_EQ(list.getCount(), 3);
    EXPECT_EQ(list.getHead(), &a);
    EXPECT_EQ(list.getNext(&c), nullptr);
    // A copy is outside every list; assigning to a listed node keeps the list whole.
    Node copy(b);
    EXPECT_EQ(copy._lpListNext, nullptr);
    b = copy;
    EXPECT_EQ(list.getNext(&a), &b);
    EXPECT_EQ(list.getNext(&b), &c);
    list.remove(&b);
    list.remove(&b); // not in the list any more: nothing changes
    EXPECT_EQ(list.getCount(), 2);
    EXPECT_EQ(list.getNext(&a), &c);
    EXPECT_EQ(c._lpListPred, &a);
  }
  // The list's end unlinks what it still held, without deleting it.
  EXPECT_EQ(a._lpListNext, nullptr);
  EXPECT_EQ(c._lpListPred, nullptr);
}

} // namespace

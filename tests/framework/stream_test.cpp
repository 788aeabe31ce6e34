#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/incbin/incbin.h"
#include "framework/stream/ramstream.h"
#include "framework/stream/stream.h"

// The table of embedded files and the factory chain belong to the whole
// process, so every test uses names and protocols of its own.

namespace fw {
namespace {

std::string ReadAll(TStream& stream) {
    std::string text;
    char buf[7];  // small, so reads end mid-buffer
    while (int64_t n = stream.Read(buf, sizeof buf)) text.append(buf, size_t(n));
    return text;
}

TEST(IncbinStream, OpensTheRegisteredBlockAtPositionZero) {
    static const char block[] = "snowflakes";
    ASSERT_EQ(IncbinAdd("open.png", block, 10), 1);
    Ref<TStream> stream = ReadStream("incbin::open.png");
    ASSERT_TRUE(stream);
    EXPECT_NE(Cast<TRamStream>(stream), nullptr);
    EXPECT_EQ(stream->Size(), 10);
    EXPECT_EQ(stream->Pos(), 0);
    EXPECT_FALSE(stream->Eof());
    EXPECT_EQ(ReadAll(*stream), "snowflakes");
    EXPECT_TRUE(stream->Eof());
}

TEST(IncbinStream, WorksWithoutAnySetUp) {
    // A fresh process: the embedded-file factory is there from the start.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static const char block[] = "abc";
            IncbinAdd("fresh.bin", block, 3);
            Ref<TStream> stream = ReadStream("incbin::fresh.bin");
            std::exit(stream && stream->Size() == 3 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(IncbinStream, SecondRegistrationIsRefusedAndTheFirstBlockStillOpens) {
    static const char first[] = "first";
    static const char second[] = "second!";
    ASSERT_EQ(IncbinAdd("pic-twice.png", first, 5), 1);
    EXPECT_EQ(IncbinAdd("pic-twice.png", second, 7), 0);
    Ref<TStream> stream = ReadStream("incbin::pic-twice.png");
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Size(), 5);
    EXPECT_EQ(ReadAll(*stream), "first");
}

TEST(IncbinStream, ProtocolIgnoresCaseButTheNameDoesNot) {
    static const char block[] = "xyz";
    ASSERT_EQ(IncbinAdd("case.png", block, 3), 1);
    for (const char* url : {"incbin::case.png", "INCBIN::case.png", "InCbIn::case.png"}) {
        Ref<TStream> stream = ReadStream(url);
        ASSERT_TRUE(stream) << url;
        EXPECT_EQ(ReadAll(*stream), "xyz") << url;
    }
    EXPECT_EQ(ReadStream("incbin::CASE.PNG"), nullptr);
    EXPECT_EQ(ReadStream("incbin::Case.png"), nullptr);
}

TEST(IncbinStream, UnknownNameOrWritingOpensNothing) {
    static const char block[] = "data";
    ASSERT_EQ(IncbinAdd("readonly.png", block, 4), 1);
    EXPECT_EQ(ReadStream("incbin::missing.png"), nullptr);
    EXPECT_EQ(ReadStream("incbin::"), nullptr);
    EXPECT_EQ(OpenStream("incbin::readonly.png", true, true), nullptr);
    EXPECT_EQ(OpenStream("incbin::readonly.png", false, true), nullptr);
    EXPECT_NE(OpenStream("incbin::readonly.png", true, false), nullptr);
}

TEST(IncbinStream, ReadPastTheEndReturnsTheRestThenEof) {
    static const char block[] = "0123456789";
    ASSERT_EQ(IncbinAdd("tail.bin", block, 10), 1);
    Ref<TStream> stream = ReadStream("incbin::tail.bin");
    ASSERT_TRUE(stream);
    char buf[32] = {};
    EXPECT_EQ(stream->Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_FALSE(stream->Eof());
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(stream->Read(buf, 20), 6);
    EXPECT_EQ(std::string(buf, 7), "456789#");  // nothing written past the rest
    EXPECT_EQ(stream->Pos(), 10);
    EXPECT_TRUE(stream->Eof());
    EXPECT_EQ(stream->Read(buf, 20), 0);
    EXPECT_EQ(stream->Pos(), 10);
}

TEST(IncbinStream, ReadOfZeroOrNegativeCountReadsNothing) {
    static const char block[] = "abcdef";
    ASSERT_EQ(IncbinAdd("count.bin", block, 6), 1);
    Ref<TStream> stream = ReadStream("incbin::count.bin");
    ASSERT_TRUE(stream);
    char buf[8];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(stream->Read(buf, 0), 0);
    EXPECT_EQ(stream->Read(buf, -1), 0);
    EXPECT_EQ(stream->Read(buf, INT64_MIN), 0);
    EXPECT_EQ(stream->Pos(), 0);
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(stream->Read(buf, 2), 2);
    EXPECT_EQ(stream->Read(buf, -5), 0);
    EXPECT_EQ(stream->Pos(), 2);
}

TEST(IncbinStream, SeekIsClampedToTheBlock) {
    static const char block[] = "0123456789";
    ASSERT_EQ(IncbinAdd("seek.bin", block, 10), 1);
    Ref<TStream> stream = ReadStream("incbin::seek.bin");
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Seek(4), 4);
    char c;
    EXPECT_EQ(stream->Read(&c, 1), 1);
    EXPECT_EQ(c, '4');
    EXPECT_EQ(stream->Seek(-1), 0);
    EXPECT_EQ(stream->Pos(), 0);
    EXPECT_EQ(stream->Seek(INT64_MIN), 0);
    EXPECT_EQ(stream->Seek(11), 10);
    EXPECT_EQ(stream->Pos(), 10);
    EXPECT_TRUE(stream->Eof());
    EXPECT_EQ(stream->Read(&c, 1), 0);
    EXPECT_EQ(stream->Seek(INT64_MAX), 10);
    EXPECT_EQ(stream->Seek(10), 10);
    EXPECT_EQ(stream->Seek(9), 9);
    EXPECT_FALSE(stream->Eof());
}

TEST(IncbinStream, TwoStreamsOverOneBlockReadIndependently) {
    static const char block[] = "abcdefgh";
    ASSERT_EQ(IncbinAdd("shared.bin", block, 8), 1);
    Ref<TStream> a = ReadStream("incbin::shared.bin");
    Ref<TStream> b = ReadStream("incbin::shared.bin");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.get(), b.get());
    char buf[4];
    EXPECT_EQ(a->Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");
    EXPECT_EQ(b->Pos(), 0);
    EXPECT_EQ(b->Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "ab");
    EXPECT_EQ(a->Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "de");
    a->Seek(8);
    EXPECT_TRUE(a->Eof());
    EXPECT_FALSE(b->Eof());
    EXPECT_EQ(b->Pos(), 2);
}

TEST(IncbinStream, TheBlockIsReadInPlace) {
    static char block[] = "before";
    ASSERT_EQ(IncbinAdd("inplace.bin", block, 6), 1);
    Ref<TStream> stream = ReadStream("incbin::inplace.bin");
    ASSERT_TRUE(stream);
    std::memcpy(block, "after!", 6);  // a copy taken at registration or opening would miss this
    EXPECT_EQ(ReadAll(*stream), "after!");
}

TEST(IncbinStream, WritingWritesNothingAndCloseLeavesTheBlock) {
    static char block[] = "keep";
    ASSERT_EQ(IncbinAdd("write.bin", block, 4), 1);
    Ref<TStream> stream = ReadStream("incbin::write.bin");
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Write("XXXX", 4), 0);
    EXPECT_EQ(stream->Pos(), 0);
    EXPECT_EQ(std::string(block, 4), "keep");
    stream->Close();
    EXPECT_EQ(std::string(block, 4), "keep");
    Ref<TStream> again = ReadStream("incbin::write.bin");
    ASSERT_TRUE(again);
    EXPECT_EQ(ReadAll(*again), "keep");
}

TEST(IncbinStream, EmptyBlockIsAtItsEndAtOnce) {
    static const char block[] = "";
    ASSERT_EQ(IncbinAdd("nothing.bin", block, 0), 1);
    Ref<TStream> stream = ReadStream("incbin::nothing.bin");
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Size(), 0);
    EXPECT_TRUE(stream->Eof());
    char c;
    EXPECT_EQ(stream->Read(&c, 1), 0);
}

TEST(RamStream, AnEmptyBlockWithoutAnAddressReadsNothing) {
    TRamStream stream(nullptr, 0, true);
    char c = 'x';
    EXPECT_EQ(stream.Read(&c, 1), 0);
    EXPECT_EQ(c, 'x');
    EXPECT_TRUE(stream.Eof());
}

TEST(IncbinStream, ThePathRunsFromTheFirstDoubleColonToTheEnd) {
    static const char block[] = "nested";
    ASSERT_EQ(IncbinAdd("dir::name.png", block, 6), 1);
    Ref<TStream> stream = ReadStream("incbin::dir::name.png");
    ASSERT_TRUE(stream);
    EXPECT_EQ(ReadAll(*stream), "nested");
    // The protocol is the text before the first "::" only.
    EXPECT_EQ(ReadStream("dir::incbin::name.png"), nullptr);
}

TEST(OpenStream, UnknownProtocolOpensNothing) {
    EXPECT_EQ(ReadStream("nosuchprotocol::file.png"), nullptr);
    EXPECT_EQ(ReadStream("::file.png"), nullptr);
    EXPECT_EQ(OpenStream("nosuchprotocol::file.png", true, true), nullptr);
}

// Records what it is asked and answers one protocol (and, if given, one path
// only) with a stream of its own. Factories stay in the chain for the rest of
// the process, so each answers only what its own test asks.
class RecordingFactory : public TStreamFactory {
public:
    RecordingFactory(std::string protocol, std::string text, std::string path = "")
        : protocol_(std::move(protocol)), text_(std::move(text)), path_(std::move(path)) {}

    Ref<TStream> CreateStream(std::string_view url, std::string_view protocol,
                              std::string_view path, bool, bool) override {
        calls.push_back(std::string(url) + "|" + std::string(protocol) + "|" + std::string(path));
        if (protocol != protocol_ || (!path_.empty() && path != path_)) return nullptr;
        return New<TRamStream>(text_.data(), int64_t(text_.size()), true);
    }

    std::vector<std::string> calls;

private:
    std::string protocol_, text_, path_;
};

TEST(OpenStream, FactoriesAreAskedNewestFirstAndTheFirstStreamWins) {
    auto older = New<RecordingFactory>("order", "older");
    auto newer = New<RecordingFactory>("order", "newer");
    auto silent = New<RecordingFactory>("none-of-these", "");
    AddStreamFactory(older);
    AddStreamFactory(newer);
    AddStreamFactory(silent);

    Ref<TStream> stream = ReadStream("ORDER::a::b");
    ASSERT_TRUE(stream);
    EXPECT_EQ(ReadAll(*stream), "newer");
    EXPECT_EQ(silent->calls, std::vector<std::string>{"ORDER::a::b|order|a::b"});
    EXPECT_EQ(newer->calls.size(), 1u);
    EXPECT_TRUE(older->calls.empty());  // never asked once a stream was given
}

TEST(OpenStream, ANewerFactoryIsAskedBeforeTheEmbeddedFiles) {
    static const char block[] = "embedded";
    ASSERT_EQ(IncbinAdd("shadowed.png", block, 8), 1);
    auto shadow = New<RecordingFactory>("incbin", "shadow", "shadowed.png");
    AddStreamFactory(shadow);
    Ref<TStream> stream = ReadStream("incbin::shadowed.png");
    ASSERT_TRUE(stream);
    EXPECT_EQ(ReadAll(*stream), "shadow");
}

TEST(OpenStream, OnlyTheLettersAToZAreLowered) {
    auto probe = New<RecordingFactory>("never", "");
    AddStreamFactory(probe);
    ReadStream("@AZ[`az{\xC3\x84::Path::With::Colons");
    ASSERT_EQ(probe->calls.size(), 1u);
    EXPECT_EQ(probe->calls[0],
              "@AZ[`az{\xC3\x84::Path::With::Colons|@az[`az{\xC3\x84|Path::With::Colons");
}

TEST(RamStream, UnreadableStreamReadsNothing) {
    static const char block[] = "hidden";
    ASSERT_EQ(IncbinAdd("unreadable.bin", block, 6), 1);
    Ref<TStream> stream = OpenStream("incbin::unreadable.bin", false, false);
    ASSERT_TRUE(stream);
    char buf[6];
    EXPECT_EQ(stream->Read(buf, 6), 0);
    EXPECT_EQ(stream->Size(), 6);
}

class FileStream : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/snowfall-stream-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const char* name) const { return dir_ + "/" + name; }

    std::string dir_;
};

TEST_F(FileStream, RoundTripThroughATempFile) {
    std::string path = Path("round.bin");
    {
        Ref<TStream> out = OpenStream(path, false, true);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->Write("hello, ", 7), 7);
        EXPECT_EQ(out->Write("snow", 4), 4);
        EXPECT_EQ(out->Pos(), 11);
        char c;
        EXPECT_EQ(out->Read(&c, 1), 0);  // not opened for reading
        out->Close();
        EXPECT_EQ(out->Write("x", 1), 0);  // closed
    }
    Ref<TStream> in = ReadStream(path);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->Size(), 11);
    EXPECT_EQ(in->Pos(), 0);
    EXPECT_FALSE(in->Eof());
    EXPECT_EQ(ReadAll(*in), "hello, snow");
    EXPECT_TRUE(in->Eof());
    EXPECT_EQ(in->Seek(7), 7);
    char buf[8] = {};
    EXPECT_EQ(in->Read(buf, 8), 4);
    EXPECT_EQ(std::string(buf, 4), "snow");
    EXPECT_EQ(in->Seek(-3), 0);
    EXPECT_EQ(in->Read(buf, -1), 0);
    EXPECT_EQ(in->Write("no", 2), 0);  // not opened for writing
    EXPECT_EQ(in->Seek(0), 0);
    EXPECT_EQ(ReadAll(*in), "hello, snow");
}

TEST_F(FileStream, WritingEmptiesAnExistingFileButReadWriteKeepsIt) {
    std::string path = Path("kept.bin");
    Ref<TStream> out = OpenStream(path, false, true);
    ASSERT_TRUE(out);
    out->Write("0123456789", 10);
    out = nullptr;  // closed when the last reference goes

    Ref<TStream> both = OpenStream(path, true, true);
    ASSERT_TRUE(both);
    EXPECT_EQ(both->Size(), 10);
    both->Seek(2);
    EXPECT_EQ(both->Write("ab", 2), 2);
    both->Seek(0);
    EXPECT_EQ(ReadAll(*both), "01ab456789");
    both = nullptr;

    out = OpenStream(path, false, true);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Size(), 0);
}

TEST_F(FileStream, ReadWriteCreatesAMissingFile) {
    std::string path = Path("new.bin");
    Ref<TStream> both = OpenStream(path, true, true);
    ASSERT_TRUE(both);
    EXPECT_EQ(both->Size(), 0);
    EXPECT_TRUE(both->Eof());
    EXPECT_EQ(both->Write("abc", 3), 3);
    EXPECT_EQ(both->Seek(0), 0);
    EXPECT_EQ(ReadAll(*both), "abc");
}

TEST_F(FileStream, WhatCannotBeOpenedGivesNull) {
    EXPECT_EQ(ReadStream(Path("missing.bin")), nullptr);
    EXPECT_EQ(ReadStream(dir_), nullptr);  // a directory
    EXPECT_EQ(OpenStream(dir_, true, true), nullptr);
    EXPECT_EQ(OpenStream(Path("nowhere/file.bin"), false, true), nullptr);
    EXPECT_EQ(ReadStream(""), nullptr);
    std::string fifo = Path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadStream(fifo), nullptr);  // refused, and without hanging
    std::string path = Path("neither.bin");
    EXPECT_EQ(OpenStream(path, false, false), nullptr);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace fw

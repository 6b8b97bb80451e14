#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/OMBitmap.h"
#include "framework/OMCachedFile.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMIStreamRes.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMQueriedFile.h"
#include "framework/OMResHandle.h"
#include "framework/OMResModule.h"
#include "framework/OMResourceType.h"
#include "tests/framework/StreamDrain.h"
#include "tests/support/TempFolder.h"

namespace {

std::string pattern(std::size_t length)
{
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = char(i * 13 + i / 256);
  return bytes;
}

using omtest::drain;

class Streams : public ::testing::Test {
 protected:
  void SetUp() override
  {
    clearSearchPaths();
    OMQueriedFile::record().clear();
    bytes = pattern(10000);
    dir.write("data.bin", bytes);
    addSearchPath(dir.path().c_str(), 0);
  }
  void TearDown() override
  {
    clearSearchPaths();
    OMQueriedFile::record().clear();
  }
  TempFolder dir;
  std::string bytes;
};

}  // namespace

TEST(ResourceTypes, StandardNamesMapToNumbers)
{
  EXPECT_TRUE(isResourceNumber(typeNumber("CURSOR")));
  EXPECT_EQ(numberOfResource(typeNumber("CURSOR")), 12);
  EXPECT_EQ(numberOfResource(typeNumber("ICON")), 14);
  EXPECT_EQ(numberOfResource(typeNumber("RCDATA")), 10);
  const char* aseq = "ASEQ";
  EXPECT_EQ(typeNumber(aseq), aseq);
  EXPECT_EQ(typeNumber("cursor"), std::string("cursor"));
  EXPECT_EQ(typeNameOf(2).found, 1);
  EXPECT_STREQ(typeNameOf(2).name, "BITMAP");
  EXPECT_EQ(typeNameOf(3).found, 0);
}

TEST_F(Streams, WholeStreamHandsOutTheRestAtOnce)
{
  OMIStreamFile stream("data.bin", -1, nullptr);
  EXPECT_EQ(stream.size(), 10000);
  EXPECT_TRUE(stream.is(OMIStreamFile::classDescriptor));
  EXPECT_STREQ(stream.descriptor().className, "OMIStreamFile");
  EXPECT_EQ(stream.setPosition(-5), 0);
  EXPECT_EQ(stream.setPosition(400), 400);
  ASSERT_EQ(stream.load(0), 9600);
  EXPECT_EQ(stream.blockOffset(), 400);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.data()), 9600), bytes.substr(400));
  EXPECT_EQ(stream.load(0), 0);
  stream.setPosition(0);
  EXPECT_EQ(drain(stream), bytes);
  stream.unload();
  EXPECT_EQ(stream.nextOffset(), 0);
  EXPECT_EQ(drain(stream), bytes);
}

TEST_F(Streams, BlockStreamsReadInBlocks)
{
  OMIStreamFile defaults("data.bin", 0, nullptr);
  ASSERT_EQ(defaults.load(0), 4096);
  EXPECT_EQ(defaults.setPosition(20000), 10000);
  EXPECT_EQ(defaults.load(0), 0);

  char caller[300];
  OMIStreamFile stream("data.bin", 300, caller);
  EXPECT_EQ(drain(stream), bytes);
  EXPECT_EQ(stream.data(), reinterpret_cast<std::uint8_t*>(caller));

  OMIStreamFile async("data.bin", 1000, nullptr);
  async.setPosition(5000);
  EXPECT_EQ(async.load(1), 1000);
  while (async.isLoading()) {
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(async.data()), 1000),
            bytes.substr(5000, 1000));
  std::unique_ptr<OMIStream> clone = async.clone();
  EXPECT_EQ(clone->blockOffset(), 5000);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(clone->data()), 1000),
            bytes.substr(5000, 1000));
  EXPECT_EQ(drain(*clone), bytes.substr(5000));
}

TEST_F(Streams, EmptyStreamsLoadNothing)
{
  OMIStreamFile negative("data.bin", -2, nullptr);
  EXPECT_EQ(negative.size(), 0);
  EXPECT_EQ(negative.load(0), 0);
  OMIStreamFile missing("none.bin", -1, nullptr);
  EXPECT_EQ(missing.size(), 0);
  EXPECT_EQ(missing.load(0), 0);
  OMIStreamFile unnamed(nullptr, -1, nullptr);
  EXPECT_EQ(unnamed.load(0), 0);
}

TEST_F(Streams, CachedFileIsHandedOutInPlace)
{
  OMCachedFile* entry = cacheFile("data.bin");
  ASSERT_EQ(entry->waitLoaded(), 0);
  char caller[4096];
  {
    OMIStreamFile stream("data.bin", 4096, caller);
    EXPECT_TRUE(stream.isFromCache());
    EXPECT_TRUE(stream.isWhole());
    EXPECT_EQ(stream.data(), entry->loadedData());
    EXPECT_EQ(entry->refCount(), 2);
    stream.setPosition(0);
    EXPECT_EQ(drain(stream), bytes);
  }
  EXPECT_EQ(entry->refCount(), 1);
  uncacheFile("data.bin");
}

TEST_F(Streams, QueryThenStreamOpensTheFileOnce)
{
  EXPECT_EQ(queryFile("data.bin").size, 10000);
  OMQueriedFile& record = OMQueriedFile::record();
  ASSERT_NE(record.fileFor("data.bin"), nullptr);
  {
    OMIStreamFile block("data.bin", 100, nullptr);
    EXPECT_EQ(block.load(0), 100);
    // Block mode took the file over.
    EXPECT_TRUE(record.valid);
    EXPECT_EQ(record.file, nullptr);
  }
  EXPECT_FALSE(record.valid);
}

TEST(ResourceModules, MissingLibrariesAndResourcesAreReportedNotRaised)
{
  clearSearchPaths();
  {
    OMResModule missing("no_such_library.dll");
    EXPECT_EQ(missing.error(), OMResModule::notFound);
    EXPECT_EQ(missing.moduleHandle(), nullptr);
    EXPECT_TRUE(missing.fileName().empty());
    EXPECT_NE(std::find(OMResModule::modules().begin(), OMResModule::modules().end(), &missing),
              OMResModule::modules().end());
    OMResHandle handle(5, "CURSOR", &missing);
    EXPECT_EQ(handle.status(), OMResHandle::notFound);
    EXPECT_EQ(missing.handles().size(), 1u);
    const void* data = &handle;
    EXPECT_EQ(handle.lock(&data), OMResHandle::lockFailed);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(handle.unlock(), OMResHandle::notLocked);
    EXPECT_EQ(handle.lockCount(), 0);
    handle.release();
    EXPECT_TRUE(missing.handles().empty());
    EXPECT_EQ(resourceSize(5, "CURSOR", &missing).found, 0);
  }
  OMResModule& own = OMResModule::defaultModule();
  EXPECT_EQ(own.error(), 0);
  EXPECT_EQ(&OMResModule::defaultModule(), &own);

  OMIStreamRes absent(4711, "TEXT", nullptr, -1, nullptr);
  EXPECT_EQ(absent.size(), 0);
  EXPECT_EQ(absent.load(0), 0);
  EXPECT_STREQ(absent.descriptor().className, "OMIStreamRes");
  OMIStreamRes negative(1, "TEXT", nullptr, -2, nullptr);
  EXPECT_EQ(negative.load(0), 0);
  OMIStreamRes noId(0, "TEXT", nullptr, -1, nullptr);
  EXPECT_EQ(noId.size(), 0);
  OMResModule::releaseDefaultModule();
}

TEST(ResourceStreams, ProgramResourcesReadWholeAndInBlocks)
{
  const std::string text = std::string("Hello from the program's resources") + '\0';
  const OMResourceSize size = resourceSize(1001, "TEXT", nullptr);
  ASSERT_EQ(size.found, 1);
  EXPECT_EQ(size.size, text.size());

  OMIStreamRes whole(1001, "TEXT", nullptr, -1, nullptr);
  EXPECT_EQ(whole.size(), std::int32_t(text.size()));
  ASSERT_EQ(whole.load(0), std::int32_t(text.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(whole.data()), text.size()), text);
  EXPECT_EQ(whole.load(0), 0);

  OMIStreamRes blocks(1001, "TEXT", nullptr, 5, nullptr);
  EXPECT_EQ(drain(blocks), text);
  blocks.unload();
  blocks.setPosition(6);
  EXPECT_EQ(drain(blocks), text.substr(6));

  char caller[64];
  OMIStreamRes copied(1001, "TEXT", nullptr, -1, caller);
  ASSERT_EQ(copied.load(0), std::int32_t(text.size()));
  EXPECT_EQ(copied.data(), reinterpret_cast<std::uint8_t*>(caller));
  std::unique_ptr<OMIStream> clone = copied.clone();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(clone->data()), text.size()), text);

  // RCDATA is a standard type: it is found by its number.
  OMIStreamRes data(7, "RCDATA", nullptr, 0, nullptr);
  EXPECT_EQ(drain(data), std::string("\x01\x02\xFF"
                                     "ab",
                                     5));
  OMIStreamRes named(50, "ASEQ", nullptr, -1, nullptr);
  EXPECT_EQ(named.size(), std::int32_t(sizeof "first animation sequence bytes\n" - 1));
  OMResModule::releaseDefaultModule();
}

TEST(ResourceStreams, HandleLockCounts)
{
  {
    OMResHandle handle(1001, "TEXT", nullptr);
    ASSERT_EQ(handle.status(), OMResHandle::ok);
    EXPECT_GT(handle.size(), 0u);
    EXPECT_EQ(handle.unlock(), OMResHandle::notLocked);
    EXPECT_EQ(handle.lockCount(), -1);
    const void* data = nullptr;
    EXPECT_EQ(handle.lock(&data), OMResHandle::ok);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(handle.lockCount(), 0);
    EXPECT_EQ(handle.lock(&data), OMResHandle::ok);
    EXPECT_EQ(handle.unlock(), OMResHandle::ok);
    handle.release();
    EXPECT_TRUE(OMResModule::defaultModule().handles().empty());
  }
  OMResHandle absent(999, "TEXT", nullptr);
  EXPECT_EQ(absent.status(), OMResHandle::notFound);
  // A handle that outlives its module lets go of it.
  OMResModule::releaseDefaultModule();
  EXPECT_EQ(absent.module(), nullptr);
}

TEST(ResourceStreams, ModulesListTheirTypesAndNames)
{
  const OMResModule& own = OMResModule::defaultModule();
  bool text = false, rcdata = false;
  for (const OMResModule::ResourceName& type : own.resourceTypes()) {
    text = text || type.name == "TEXT";
    rcdata = rcdata || type.number == 10;
  }
  EXPECT_TRUE(text);
  EXPECT_TRUE(rcdata);
  const std::vector<OMResModule::ResourceName> names = own.resourceNames("TEXT");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].number, 1001);
  EXPECT_EQ(own.resourceNames("RCDATA").size(), 1u);
  OMResModule missing("nowhere.dll");
  EXPECT_TRUE(missing.resourceTypes().empty());
  OMResModule::releaseDefaultModule();
}

TEST(Bitmaps, ReadFromBitmapResources)
{
  OMBitmap eight(300, nullptr);
  ASSERT_TRUE(eight.hasBits());
  EXPECT_EQ(eight.width(), 5);
  EXPECT_EQ(eight.height(), 2);
  EXPECT_EQ(eight.bitCount(), 8);
  // A colour count of 0 means 256 for 8-bit images, in the kept header too.
  EXPECT_EQ(eight.colorCount(), 256);
  EXPECT_EQ(eight.info()[32] | (eight.info()[33] << 8), 256);
  EXPECT_EQ(eight.colorTable()[4 * 100], 100);
  EXPECT_EQ(eight.bits()[1], 252);
  EXPECT_EQ(eight.transparentIndex(), 252);
  const std::vector<std::uint8_t> mask8 = eight.makeMask();
  ASSERT_EQ(mask8.size(), 8u);
  EXPECT_EQ(mask8[0], 0x50);  // pixels 1 and 3 of the first row
  EXPECT_EQ(mask8[4], 0x88);  // pixels 0 and 4 of the second

  OMBitmap deep(301, nullptr);
  ASSERT_TRUE(deep.hasBits());
  EXPECT_EQ(deep.bitCount(), 24);
  EXPECT_EQ(deep.transparentIndex(), -1);
  const std::vector<std::uint8_t> mask24 = deep.makeMask();
  ASSERT_EQ(mask24.size(), 8u);
  EXPECT_EQ(mask24[0], 0x80);
  EXPECT_EQ(mask24[4], 0x40);

  EXPECT_FALSE(OMBitmap(302, nullptr).hasBits());
  EXPECT_FALSE(OMBitmap(303, nullptr).hasBits());
  EXPECT_FALSE(OMBitmap(999, nullptr).hasBits());
  EXPECT_TRUE(OMBitmap(999, nullptr).makeMask().empty());
  OMResModule::releaseDefaultModule();
}

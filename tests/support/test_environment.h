// A RunEnvironment for engine tests: a file system of the test's choosing,
// notices recorded in order, the Russian catalogue, results never opened.
#pragma once

#include "engine/processing_run.h"
#include "support/memory_file_system.h"

namespace strovel {

template <class Files>
struct TestEnvironment : RunEnvironment {
  Files disk;
  RecordingSink sink;
  LanguageSelector russian;
  FileSystem& files() override { return disk; }
  NoticeSink& notices() override { return sink; }
  const LanguageSelector& language() override { return russian; }
  void openResult(const std::string&) override {}
};

}  // namespace strovel

// Runs engine code in-process inside a temporary project directory, with the
// model state reset before and after.
#pragma once

#include <unistd.h>

#include <string>

#include "io/kread.h"
#include "state/arrays.h"
#include "support/case_runner.h"

class InProjectDir {
 public:
  InProjectDir() {
    char buf[4096];
    old_ = getcwd(buf, sizeof buf) ? buf : ".";
    if (chdir(dir_.path().c_str()) != 0) throw std::runtime_error("chdir");
    SetArraysZero();
    setControlDefaults();
  }
  ~InProjectDir() {
    SetArraysZero();
    setControlDefaults();
    if (chdir(old_.c_str()) != 0) {
    }
  }
  const CaseDir& dir() const { return dir_; }

 private:
  CaseDir dir_;
  std::string old_;
};

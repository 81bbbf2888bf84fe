// MessageBoxRecorder: see MessageBoxRecorder.h.
#include "support/MessageBoxRecorder.h"

#include "KMiscTools.h"

namespace testsupport {

namespace {
std::vector<std::pair<std::string, std::string>> recorded;

void record(const char *title, const char *text) { recorded.emplace_back(title ? title : "", text ? text : ""); }
} // namespace

MessageBoxRecorder::MessageBoxRecorder() {
  recorded.clear();
  KMiscTools::setMessageBoxHandler(&record);
}

MessageBoxRecorder::~MessageBoxRecorder() { KMiscTools::setMessageBoxHandler(nullptr); }

const std::vector<std::pair<std::string, std::string>> &MessageBoxRecorder::messages() const { return recorded; }

int MessageBoxRecorder::count(const std::string &title) const {
  int n = 0;
  for (const auto &m : recorded)
    if (m.first == title)
      n++;
  return n;
}

void MessageBoxRecorder::clear() { recorded.clear(); }

} // namespace testsupport

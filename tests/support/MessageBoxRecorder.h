// MessageBoxRecorder: records KMiscTools::messageBox calls instead of
// showing a dialog. Construct one in a test (or fixture); it installs itself
// and restores the real dialog when destroyed.
#ifndef TESTSUPPORT_MESSAGEBOXRECORDER_H
#define TESTSUPPORT_MESSAGEBOXRECORDER_H

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class MessageBoxRecorder {
public:
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder &) = delete;
  MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

  // (title, text) of every message since construction or clear().
  const std::vector<std::pair<std::string, std::string>> &messages() const;
  // How many messages had this title.
  int count(const std::string &title) const;
  void clear();
};

} // namespace testsupport

#endif

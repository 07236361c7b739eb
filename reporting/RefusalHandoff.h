// The service's latest refusal, handed from the report workers to the user
// interface thread: the hand-over of the Active setting and of the message
// the dialog shows. It is the only state the workers share; the one instance
// is process-wide (ProcessRefusalHandoff below), so that a worker finishing
// after PluginQuit never touches the destroyed settings: only the UI thread
// copies the refusal into them.
#pragma once

#include <string>

#include "base/Lock.h"

namespace vantu {

class RefusalHandoff {
 public:
  // Worker side: the text replaces any earlier one, and reporting is to be
  // switched off at the UI thread's next apply.
  void Refuse(std::string text);

  // UI thread, at the start of every poll tick and in the dialog's show,
  // before the settings are read: sets active to false if a refusal arrived
  // since the last apply, and leaves it alone otherwise.
  void ApplyRefusalTo(bool& active);

  // A copy of the waiting text; empty when nothing waits.
  std::string PendingMessage() const;
  // Returns the waiting text and clears it (the dialog's show).
  std::string TakePendingMessage();
  // Forgets the text and any unapplied refusal (library unload).
  void Clear();

 private:
  mutable Lock lock_;
  std::string message_;
  bool refused_ = false;
};

// The one process-wide hand-off, which the report workers write and the
// watcher and the dialog read. Built at load and destroyed at unload with the
// library's other globals: it outlives quit, since report workers may still
// finish after it, and every worker keeps the library loaded, so none can
// outlive it.
RefusalHandoff& ProcessRefusalHandoff();

}  // namespace vantu

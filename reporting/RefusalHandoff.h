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
  // switched off at the UI thread's next look.
  void Refuse(std::string text);

  // What a look leaves of the text that waits to be shown.
  enum class Text { Leave, Take };

  // UI thread, at every poll tick (Leave) and at the dialog's show (Take),
  // before the settings are read: takes what arrived since the last look as
  // one, under one lock. A refusal that arrived sets active to false (and
  // nothing else ever touches it); the text that waits to be shown is
  // returned, empty when none waits, and after Take it waits no more.
  std::string Look(bool& active, Text text);

  // Forgets the text and any refusal not yet looked at (library unload).
  void Clear();

 private:
  Lock lock_;
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

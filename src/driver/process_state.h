// The objects the converter keeps for the life of the process, and the one
// place that releases them all. Each is made by the module that defines it,
// most on first use (the shared database connection, the folder catalog, the
// DSConfig.bin store, the values the DSConfig.bin settings remember between
// rules, the run report, the values the settings rules read); the container
// id and creation-stamp counters count from process start.
#pragma once

namespace driver {

// Releases every process-wide object and sets the counters back to where a
// new process starts them, so that the next use begins as in a fresh
// process. The objects that write through the database connection or into
// DSConfig.bin go before the things they write to; the connection closes
// last. A database that was not finished is dropped, as at process exit.
// The run calls this once at its end; tests call it between cases.
void ResetProcessState();

}  // namespace driver

// GUI tests link the Qt platform layer instead of the fakes library, so the
// shared chart test helpers (a known recording, the recording surface) are
// compiled here for them from the same sources the unit tests use.
#include "support/chart_recording.cpp"    // NOLINT(bugprone-suspicious-include)
#include "support/recording_surface.cpp"  // NOLINT(bugprone-suspicious-include)

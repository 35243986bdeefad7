// GUI tests link the Qt platform layer instead of the fakes library, so the
// temporary-directory helpers are compiled here for them from the same source
// the unit tests use.
#include "support/temp_dir.cpp"  // NOLINT(bugprone-suspicious-include)

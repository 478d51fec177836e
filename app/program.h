#pragma once
// The wizard's run sequence.
#include "sysops/error_record.h"
#include "text/command_line.h"

// The three pages in order, Back returning to the first, with the removal of the requested log
// between the second and the third. Always succeeds.
Status RunWizard(const StartRequest& request);

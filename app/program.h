#pragma once
// The wizard's run sequence.
#include "app/command_line.h"
#include "sysops/error_record.h"

// The three pages in order, Back returning to the first, with the removal of the requested log
// between the second and the third. Always succeeds.
Status RunWizard(const StartRequest& request);

#pragma once
// The wizard's run sequence.
#include "sysops/error_record.h"

// The three pages in order, Back returning to the first, with the removal between the second
// and the third. Always succeeds.
Status RunWizard(int argc, char** argv);

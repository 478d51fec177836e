#pragma once
// The product's programs that still run are dealt with before the first entry goes, the
// wizard's user asked first.
#include "app/command_line.h"

// From now on the removal closes the running programs as `request` asks before its first entry.
void CloseProgramsBeforeRemoval(const StartRequest& request);

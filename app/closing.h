#pragma once
// The product's programs that still run are dealt with before the first entry goes, the
// wizard's user asked first; from then until the removal ends, Windows does not end the session.
#include "text/command_line.h"

// From now on the removal closes the running programs as `request` asks before its first entry,
// then holds off the end of the session.
void CloseProgramsBeforeRemoval(const StartRequest& request);

// The removal has ended: the session may end again.
void RemovalEnded();

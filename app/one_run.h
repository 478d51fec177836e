#pragma once
// One removal at a time on this computer, whoever started it: an administrator's run and a
// deployment agent's (another session, another account) see each other.

// Takes the run's lock, held until the process ends; false when another run of this uninstaller
// holds it now.
bool TakeRunLock();

#pragma once
// The removal page following the removal, between the confirmation and the completion page.

// Shows the removal page and has the removal report to it from now on. Without the page the
// removal runs all the same, unseen.
void StartRemovalProgress();

// Ends the page; the removal no longer reports to it.
void EndRemovalProgress();

// The unattended run's window, never shown: it answers Windows during the removal, as the
// page's window does, with no page in it.
void StartUnseenProgress();

// The unattended run's window with the removal page in it, shown as `showCommand` asks: the
// wizard's removal page with nothing before or after it. Without the page, the window stays
// unseen.
void StartShownProgress(int showCommand);

// The removal is over: a page still shown has its last count and its bar at the end for the
// moment before the run ends by itself.
void ShowRemovalDone();

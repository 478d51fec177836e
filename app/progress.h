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

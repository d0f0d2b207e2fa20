// The balloons of this process, keyed by the decimal text of their id. Ids come from a counter
// that starts at 0 and grows with every balloon added. Used on the thread that owns the balloons;
// there is no lock.
#pragma once

class CToolTip;

// Takes ownership; returns the new id, or -1 when it cannot be stored (the balloon is released).
int RegisterBalloon(CToolTip* balloon);
// The balloon of `id`, or nullptr for -1 and unknown ids.
CToolTip* FindBalloon(int id);
// Removes the id and returns its balloon (the caller releases it), or nullptr.
CToolTip* UnregisterBalloon(int id);
// Releases every balloon still registered (library unload).
void ReleaseAllBalloons();

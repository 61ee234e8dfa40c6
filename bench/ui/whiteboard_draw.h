// The whiteboard as a person drawing on it sees it: a pen stroke followed to the screen,
// and the processor time the whiteboard takes while drawn on continuously.
#pragma once

// The median time, in milliseconds, from an XTest pointer motion with the pen pressed to
// a grab of the root window showing the stroke at the new point; -1 when it never does.
double WhiteBoardStrokeToScreenMs();

// This process's processor time over wall time, as a percent of one core, while a
// 1920x1080 whiteboard is drawn on with an XTest motion every 5 ms for 3 s; -1 on failure.
double WhiteBoardUpdateCpuPercent();

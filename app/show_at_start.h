#pragma once

class TForm_run;
class treclist;
struct Options;

// The show asked for on the command line (--show): the slides of the current
// settings go straight into the show, without the main window. An error, a
// folder without slides among them, is shown in the standard error report.
// Returns the program's exit code: 0 once the show has ended, 1 when it
// could not run.
int RunShowAtStart(TForm_run& run, const Options& options, treclist& slides);

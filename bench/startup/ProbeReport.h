// What a start-up probe tells the benchmark that launched it: one "name value" line on standard
// output per figure, read back by ProbeLauncher.
#pragma once

// "first_paint_ns N": the monotonic clock now, which the launcher compares with the moment it
// started the process (the clock is the same in every process of the machine).
void ReportFirstPaint();

// "rss_kb N": the resident set of this process now, as the kernel counts it.
void ReportResidentMemory();

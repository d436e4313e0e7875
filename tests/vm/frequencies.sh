# shellcheck shell=bash
# The frequencies under test: Ku-band satellite frequencies in MHz that vidtv locks on. Sourced
# by run.sh, which refuses a list that the guest checks could not tell apart.

# True when `list` (comma-separated MHz) is one vidtv can take and the checks can use: one to
# eight frequencies (vidtv's limit) in 10700-12750 MHz, each with an intermediate frequency on
# the sweep's 2 MHz grid within 950-2150 MHz (vidtv locks within a few hundred kHz only), and
# intermediate frequencies more than 20 MHz apart, so that every peak of a sweep stands alone;
# 20 MHz above each one must be tunable and carry nothing (the checks tune there to see no
# lock), which matters next to the band switch.
check_frequencies() {
    local list=$1
    tr ',' '\n' <<<"$list" | awk '
        function if_of(f) { return f < 11700 ? f - 9750 : f - 10600 }
        !/^[0-9]+$/ { print "not a whole number of MHz: " $0; bad = 1; next }
        $1 < 10700 || $1 > 12750 { print "outside the Ku band: " $1; bad = 1; next }
        if_of($1) % 2 != 0 || if_of($1) < 950 || if_of($1) > 2150 {
            print "intermediate frequency not on the sweep grid: " $1; bad = 1; next }
        { ifs[++n] = if_of($1); mhz[n] = $1 }
        END {
            if (n < 2 || n > 8) { print "two to eight frequencies, not " n + 0; bad = 1 }
            for (i = 1; i <= n; i++) {
                beside = if_of(mhz[i] + 20)
                if (beside < 950 || beside > 2150) {
                    print mhz[i] + 20 " MHz cannot be tuned"; bad = 1 }
                for (j = 1; j <= n; j++) {
                    if (j > i && ifs[i] - ifs[j] <= 20 && ifs[j] - ifs[i] <= 20) {
                        print mhz[i] " and " mhz[j] " are too close"; bad = 1 }
                    if (beside == ifs[j]) {
                        print mhz[i] + 20 " MHz reaches the tuner where " mhz[j] " does"; bad = 1 }
                }
            }
            exit bad
        }' >&2
}

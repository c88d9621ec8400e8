# The steps of the set-up scripts, sourced by each of them after it has set
# STEPS_OF, its own name for the failure line:
#   step NAME...   a new step: prints how long the one before took, then the
#                  new one's name and start time
#   logged CMD...  runs CMD with its output in the step's log file $LOG
#   steps_end      prints the last step's time and the whole run's
# A failure (the ERR trap) names the step and shows the end of $LOG. Every
# line goes to standard error, so that a script's standard output stays its
# result (scripts/guest/image.sh prints its image folder there).
STEP="start"
LOG=/dev/null
_STEPS_T0=$(date +%s)
_STEP_T=$_STEPS_T0

_step_took() {
    if [ "$STEP" != start ]; then
        printf '    %s: %d s\n' "$STEP" "$(($(date +%s) - _STEP_T))" >&2
    fi
}

step() {
    _step_took
    STEP="$*"
    _STEP_T=$(date +%s)
    printf '==> [%s] %s\n' "$(date +%T)" "$STEP" >&2
}

steps_end() {
    _step_took
    STEP="start"
    printf '==> %s: %d s in all\n' "$STEPS_OF" "$(($(date +%s) - _STEPS_T0))" >&2
}

step_failed() {
    echo "$STEPS_OF FAILED in step: $STEP" >&2
    if [ -f "$LOG" ]; then
        echo "---- last lines of $LOG ----" >&2
        tail -n 40 "$LOG" >&2
    fi
}
trap step_failed ERR

# Runs a command with its output in the step's log file.
logged() {
    "$@" >>"$LOG" 2>&1
}

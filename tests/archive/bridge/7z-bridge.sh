#!/bin/bash
# The Unix half of the test bridge 7z.exe: runs the system's 7-Zip with the arguments the bridge
# wrote, NUL-separated, to <job>/args, and leaves its output in <job>/out and its exit code in
# <job>/rc, which appears only once 7-Zip has ended.
job=$1
mapfile -d '' args < "$job/args"
/usr/bin/7z "${args[@]}" > "$job/out" 2>&1 < /dev/null
echo $? > "$job/rc.tmp"
mv "$job/rc.tmp" "$job/rc"

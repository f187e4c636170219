#!/usr/bin/env bash
# The four Java starting points, as the Java probes see them: java_home's
# listing on standard error, the JavaVirtualMachines folder, JDK release
# files and JAVA_HOME in a fresh login shell.
. "$(dirname "$0")/lib/e2e.sh"

# The listing line the profiler parses: version, (architecture), "vendor" - "name" home.
listing='^\s+(\S+)\s+\(([^)]+)\)\s+"([^"]*)"\s+-\s+"[^"]*"\s+(/.+)$'
probe='/usr/libexec/java_home -V 2>&1 >/dev/null; echo "java_home status $?"
ls /Library/Java/JavaVirtualMachines
/bin/zsh -lc "echo __KSM_JAVA_HOME__:\$JAVA_HOME"
/usr/bin/which java; java -version 2>&1 | head -n1'

sim --scenario java-none -- bash -c "$probe"
expect_output "java_home status 1" "no JDK: java_home -V fails"
expect_output "No Java runtime present, try --request to install." "…saying there is no runtime"
expect_line '^__KSM_JAVA_HOME__:$' "…JAVA_HOME is empty in a login shell"
expect_line '^/usr/bin/java$' "…which java still finds the /usr/bin/java stub"
expect_output "The operation couldn’t be completed. Unable to locate a Java Runtime." "…which explains there is no Java"

sim --scenario java-8-only -- bash -c "$probe; cat /Library/Java/JavaVirtualMachines/adoptopenjdk-8.jdk/Contents/Home/release"
expect_line '^    1\.8\.0_292 \(x86_64\) "AdoptOpenJDK" - "AdoptOpenJDK 8" /Library/Java/JavaVirtualMachines/adoptopenjdk-8\.jdk/Contents/Home$' "Java 8 only: listed by java_home"
expect_line "$listing" "…in the format the profiler parses"
expect_line '^JAVA_VERSION="1\.8\.0_292"$' "…its release file names the legacy version"
expect_line '^openjdk version "1\.8\.0_292"$' "…and java -version runs it"

sim --scenario java-21-home-unset -- bash -c "$probe; sed -n '/JavaVM/,/<\/dict>/p' /Library/Java/JavaVirtualMachines/temurin-21.jdk/Contents/Info.plist"
expect_line '^    21\.0\.5 \(arm64\) "Eclipse Adoptium" - "OpenJDK 21\.0\.5" /Library/Java/JavaVirtualMachines/temurin-21\.jdk/Contents/Home$' "Java 21: listed by java_home"
expect_line '^temurin-21\.jdk$' "…in JavaVirtualMachines"
expect_line '^__KSM_JAVA_HOME__:$' "…with JAVA_HOME unset"
expect_line $'^\t\t<string>21\\.0\\.5</string>$' "…and JVMVersion in its Info.plist"

sim --scenario java-21-home-set -- bash -c "$probe; cat ~/.zprofile"
expect_line '^__KSM_JAVA_HOME__:/Library/Java/JavaVirtualMachines/temurin-21\.jdk/Contents/Home$' "Java 21 with JAVA_HOME set in ~/.zprofile"
expect_line '^export JAVA_HOME=\$\(/usr/libexec/java_home -v 21\)$' "…through java_home -v 21"

sim --scenario java-none --set 'jdks=temurin-17 temurin-21 adoptopenjdk-8 broken:mystery' -- bash -c '
/usr/libexec/java_home -V 2>&1 >/dev/null; /usr/libexec/java_home -v 17; /usr/libexec/java_home -v 17+ ; ls /Library/Java/JavaVirtualMachines'
first=$(printf '%s\n' "$SIM_OUTPUT" | grep -E "$listing" | head -n1)
if [[ $first == *" 21.0.5 "* ]]; then pass "several JDKs: the newest is listed first"; else fail "several JDKs: the newest is listed first" "first line: $first"; fi
expect_line '^/Library/Java/JavaVirtualMachines/temurin-17\.jdk/Contents/Home$' "java_home -v 17 picks 17"
expect_line '^mystery\.jdk$' "an unreadable JDK folder is on disk…"
expect_no_output "mystery.jdk/Contents/Home" "…but java_home does not list it"

finish

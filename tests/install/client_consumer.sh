#!/bin/sh
# Builds a program against the installed client library, once through its CMake
# package and once through pkg-config, and checks that it runs and links neither
# libsystemd nor any server code.
# usage: client_consumer.sh STAGE CONSUMER-SOURCE WORK-DIR [SANITIZERS]
# A library built with sanitizers needs its consumers built with them too.
set -eu
stage=$1
source=$2
work=$3
sanitize=${4:+-fsanitize=$4}
rm -rf "$work"
cmake -S "$source" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$stage/usr" \
  -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="$sanitize" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/consumer" | grep -q '^/run/com.quenmoor.vrlsensord/com.quenmoor.vrlsensord.sock$'

pc_dir=$(dirname "$(find "$stage" -name vorrel-client.pc)")
flags=$(PKG_CONFIG_SYSROOT_DIR="$stage" PKG_CONFIG_PATH="$pc_dir" pkg-config --cflags --libs vorrel-client)
# shellcheck disable=SC2086
c++ -std=c++17 $sanitize -o "$work/pkg-consumer" "$source/consumer.cpp" $flags
"$work/pkg-consumer" >/dev/null

for program in "$work/cmake/consumer" "$work/pkg-consumer"; do
    if ldd "$program" | grep -q libsystemd; then echo "$program links libsystemd"; exit 1; fi
    if nm -C "$program" | grep -qE 'UnixListener|DecisionAgent|VRLServerObject| sd_'; then
        echo "$program carries server code"; exit 1
    fi
done
echo "client library self-contained"

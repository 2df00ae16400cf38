#!/bin/sh
# pkg_config_test.sh PKG_CONFIG_DIR EXAMPLES OUT_DIR: the one-line compile of a program against
# the installed quorvel.pc (and the system's pugixml.pc), then the program on an example.
set -eu
here=$(dirname "$0")
export PKG_CONFIG_PATH="$1"
examples=$2
mkdir -p "$3"
program="$3/consumer"

c++ -std=c++20 "$here/consumer.cpp" -o "$program" $(pkg-config --cflags --libs quorvel pugixml) \
  -DEXPECTED_VERSION="\"$(pkg-config --modversion quorvel)\""
"$program" "$examples/tables" "$examples/transactions/06-luxury-purchase.xml" \
  "$examples/transactions/06-luxury-purchase.expected"

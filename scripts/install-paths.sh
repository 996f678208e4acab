# SPDX-License-Identifier: MIT
# Where a per-user install goes; sourced by install.sh and uninstall.sh so both agree.
# A relative XDG_* value is invalid by the base directory rules and is ignored.
data_home="$HOME/.local/share"
case "${XDG_DATA_HOME:-}" in /*) data_home=$XDG_DATA_HOME ;; esac
config_home="$HOME/.config"
case "${XDG_CONFIG_HOME:-}" in /*) config_home=$XDG_CONFIG_HOME ;; esac

prefix="$data_home/brimvel"
manifest="$prefix/.installed"
links_file="$prefix/data/links/plink.dat"

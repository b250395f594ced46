#!/usr/bin/env bash
# Installs the packages of scripts/pakete.txt that are missing; does nothing when all are there.
set -euo pipefail
cd "$(dirname "$0")"

fehlend=()
while read -r paket; do
    [[ -z "$paket" || "$paket" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$paket" 2>/dev/null | grep -q "install ok installed" || fehlend+=("$paket")
done < pakete.txt

[[ ${#fehlend[@]} -eq 0 ]] && exit 0

als_root=()
[[ $(id -u) -ne 0 ]] && als_root=(sudo)
echo "Installiere: ${fehlend[*]}"
"${als_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${als_root[@]}" apt-get install -y -qq --no-install-recommends "${fehlend[@]}"

#!/usr/bin/env bash
# Writes a seed corpus per fuzz target into $2 (one directory per target) from the built sample
# collection $1 (scripts/build-collections.sh, with fuzzy lists), the project's sample source and
# the importer tests' TEI file; the rest (link file, online list, history, OSIS) is written here.
# Inputs of several files hold them one after another, each ended by the marker of file_fuzz.cpp.
set -euo pipefail
coll=$1
out=$2
cd "$(dirname "$0")/.."
marker=$'\n--QM--\n'
mkdir -p "$out"/{metainfo,textinfo,link_file,link_table,xref_lookup,word_index,hit_index,fuzzy} \
  "$out"/{short_info,schema_ini,settings,history,bookmarks,online,greek,source,tei,osis,query,stream}
data="$coll/data"
cp "$coll/ID/metainfo.dat" "$out/metainfo/sample"
for t in t001 t002; do
  {
    cat "$data/textinfo.dat"
    for ext in kap pag bld syn; do
      printf '%s' "$marker"
      [[ -f "$data/$t.$ext" ]] && cat "$data/$t.$ext"
    done
  } > "$out/textinfo/$t"
done
for f in "$data"/*lk.dat; do cp "$f" "$out/link_table/$(basename "$f")"; done
for f in "$data"/*xr.dat; do cp "$f" "$out/xref_lookup/$(basename "$f")"; done
{ cat "$data/wortlst.dat"; printf '%s' "$marker"; cat "$data/fundst.dat"; } > "$out/word_index/sample"
[[ -f "$data/fundst.qmx" ]] && cp "$data/fundst.qmx" "$out/hit_index/sample"
for level in 1 2 3 4; do
  if [[ -f "$data/s${level}wl.dat" ]]; then
    { cat "$data/wortlst.dat"; printf '%s' "$marker"; cat "$data/s${level}wl.dat"
      printf '%s' "$marker"; cat "$data/s${level}lnk.dat"; } > "$out/fuzzy/level$level"
  fi
done
for f in "$data"/*ki.dat; do cp "$f" "$out/short_info/$(basename "$f")"; done
for f in "$data"/t00?.txt; do cp "$f" "$out/stream/$(basename "$f")"; done
for f in "$data"/schema*.ini; do cp "$f" "$out/schema_ini/$(basename "$f")"; done
cp samples/sample/sample.qms "$out/source/sample.qms"
cp tests/data/import/homer-caesar.xml "$out/tei/homer-caesar.xml"
grep -m 3 'l n=' tests/data/import/homer-caesar.xml | sed 's/<[^>]*>//g' > "$out/greek/iliad"
printf '%s' 'histor* AND croesus' > "$out/query/and"
printf '%s' '(lydia OR persia) ... king' > "$out/query/or"
printf '%s' 'gyges candaules' > "$out/query/phrase"
# A settings file as the tool writes it, and a bookmark file of two records.
cat > "$out/settings/options" <<'INI'
; Quillmar settings
[Software\Quillmar\Reader\Options]
language=dword:00000002
Font="Times New Roman"
[Software\Quillmar\Calderwick\CD\QMSA0001]
Path="/media/cdrom"
INI
python3 - "$out/bookmarks/two" <<'PY'
import struct, sys
def record(i, title):
    r = bytearray(192)
    r[0:4] = struct.pack('<i', i)
    r[4] = len(title); r[5:5 + len(title)] = title
    r[85] = 8; r[86:94] = b'QMSA0001'
    r[176:192] = struct.pack('<iiii', 1, 1, 100, 200)
    return bytes(r)
open(sys.argv[1], 'wb').write(record(1, b'Lydia') + record(2, b'Croesus'))
PY
# The search history as the settings file stores it: two entries.
cat > "$out/history/two" <<'INI'
; Quillmar settings
[Software\Quillmar\Reader\3.1\SearchHistory]
Latest=dword:00000001
[Software\Quillmar\Reader\3.1\SearchHistory\01]
Init=dword:00000001
Question="histor* AND croesus"
CDIDs="QMSA0001 KRVT0001"
Texts="0:0 QMSA0001:2"
TKinds="1 2"
Language="1"
Date1=hex:01,01,00,00,38,ff,ff,ff,00,00,00,00
UndMode=dword:00000001
WordDistance=dword:00000014
FuzzyLevel=dword:00000002
[Software\Quillmar\Reader\3.1\SearchHistory\02]
Init=dword:00000001
Question="gyges"
INI
# An OSIS document and a verse listing.
cat > "$out/osis/genesis.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<osis><osisText osisIDWork="WEB" xml:lang="en">
<header><work osisWork="WEB"><title>World English Bible</title></work></header>
<div type="book" osisID="Gen"><title>Genesis</title>
<chapter osisID="Gen.1"><title type="chapter">Chapter 1</title>
<verse osisID="Gen.1.1">In the beginning, God<note type="x">Or, <hi type="italic">gods</hi></note>
created the heavens and the earth.</verse>
<verse sID="Gen.1.2" osisID="Gen.1.2"/>The earth was formless and empty.<verse eID="Gen.1.2"/>
<lg><l>A line of verse</l></lg>
</chapter></div></osisText></osis>
XML
cat > "$out/osis/listing" <<'TXT'
Genesis 1:1: In the beginning, <transChange type="added">God</transChange> created.
Genesis 1:2: The earth was formless.
TXT
# A link file of two records and an online list of three entries.
python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
def short(text, cap):
    return bytes([len(text)]) + text + bytes(cap - len(text))
def link(source, text, target, ttext, levels):
    return (short(source, 8) + bytes(3) + struct.pack('<iiii', text, 1, 0, 0) + short(target, 8)
            + bytes(3) + struct.pack('<iiii', ttext, *levels))
open(out + '/link_file/two', 'wb').write(link(b'QMSA0001', 1, b'QMSA0001', 2, (1, 0, 0))
                                           + link(b'QMSA0001', 2, b'KRVT0001', 1, (3, 2, 0)))
def entry(id, kind, cdid, caption, target):
    r = bytearray(324)
    r[0:16] = struct.pack('<iiii', id, kind, 1, 7)
    r[40:56] = short(cdid, 15)
    r[56:185] = short(caption, 128)
    r[185:316] = short(target, 130)
    r[316:324] = struct.pack('<d', 46000.5)
    return bytes(r)
open(out + '/online/three', 'wb').write(
    entry(1, 2, b'', b'News', b'www.example.org/News?a=B')
    + entry(2, 6, b'QMSA0001', b'Errata', b'2.dat')
    + entry(3, 10, b'', b'Reader 1.7', b'https://example.org/r17'))
PY

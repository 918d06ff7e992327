#!/usr/bin/env python3
"""Generates core/text/greek_tables.inc, the key tables of the Greek transliteration.

Usage: tools/gen_greek_tables.py > core/text/greek_tables.inc

Transliterated Greek writes every mark before its letter, in the order breathing, accent,
subscript/diaeresis:

  breathing  `  smooth (psili)      .  rough (dasia)
  accent     '  acute (tonos)       `  grave (varia)     ~  circumflex (perispomeni)
  colon      :  iota subscript on a, h, w (capital: prosgegrammeni); diaeresis on i, u, I, U;
                before g or G the digamma

The keys are derived from the Unicode names of the precomposed Greek letters (Greek and Coptic
block, Greek Extended block): the name's modifiers give the marks, its letter name the Latin
letter. Where two characters get the same key (tonos and oxia), the one of the Greek and Coptic
block wins, so an acute always gives the tonos form. Letters with vrachy or macron have no key.

Three sections:
  pairs   a breathing, an optional accent before the first or the second vowel, and a vowel pair
          (a o e A O E followed by u i e; three-character keys only for pairs ending in u or i;
          circumflex only on u or i). ae and oe: breathing on the first vowel, accent on the
          second. All other pairs: first vowel plain, breathing and accent on the second.
  first   the token at the start of a part: a letter alone; a breathing with optional accent and,
          on lowercase a, h, w, an iota subscript; rho with either breathing and capital rho with
          the rough breathing; without breathing only the acute, the final sigma ('s), the
          diaeresis of lowercase i and u (optionally with acute) and the digamma. At the start a
          capital takes no iota subscript and no diaeresis, and grave and circumflex need a
          breathing.
  later   every later token: a letter alone, or an accent and/or colon before a letter (no
          breathing), plus rho with the smooth breathing written as `r. The rough breathing
          before r (.r) is the one full-stop token; the converter handles it beside the table.
"""

import sys
import unicodedata

LETTERS = {
    'ALPHA': 'a', 'BETA': 'b', 'GAMMA': 'g', 'DELTA': 'd', 'EPSILON': 'e', 'ZETA': 'z',
    'ETA': 'h', 'THETA': 'q', 'IOTA': 'i', 'KAPPA': 'k', 'LAMDA': 'l', 'MU': 'm', 'NU': 'n',
    'XI': 'x', 'OMICRON': 'o', 'PI': 'p', 'RHO': 'r', 'SIGMA': 's', 'TAU': 't', 'UPSILON': 'u',
    'PHI': 'f', 'CHI': 'c', 'PSI': 'y', 'OMEGA': 'w',
}
BREATHING = {'PSILI': '`', 'DASIA': '.'}
ACCENT = {'TONOS': "'", 'OXIA': "'", 'VARIA': '`', 'PERISPOMENI': '~'}
COLON = {'YPOGEGRAMMENI', 'PROSGEGRAMMENI', 'DIALYTIKA'}
DIGAMMA = 0x03DC
FINAL_SIGMA = 0x03C2


def parse(cp):
    """(breathing, accent, colon, letter) of a precomposed letter, or None."""
    try:
        name = unicodedata.name(chr(cp))
    except ValueError:
        return None
    words = name.split(' WITH ')
    head = words[0].split()
    if len(head) != 4 or head[0] != 'GREEK' or head[2] != 'LETTER' or head[3] not in LETTERS:
        return None
    if head[1] not in ('SMALL', 'CAPITAL'):
        return None
    letter = LETTERS[head[3]]
    if head[1] == 'CAPITAL':
        letter = letter.upper()
    breathing = accent = colon = ''
    if len(words) > 1:
        for mod in words[1].split(' AND '):
            if mod in BREATHING:
                breathing = BREATHING[mod]
            elif mod in ACCENT:
                accent = ACCENT[mod]
            elif mod in COLON:
                colon = ':'
            else:
                return None  # vrachy, macron
    return breathing, accent, colon, letter


def letters():
    """All keyed letters as (breathing, accent, colon, letter, code point); tonos wins over
    oxia because the Greek and Coptic block comes first."""
    seen = set()
    result = []
    for cp in list(range(0x0370, 0x0400)) + list(range(0x1F00, 0x2000)):
        parts = parse(cp)
        if parts is None or parts in seen:
            continue
        seen.add(parts)
        result.append(parts + (cp,))
    return result


def first_token(b, a, c, l):
    if not b and not a and not c:
        return True
    if l in 'rR':
        return b == '.' or (b == '`' and l == 'r')
    if b:
        return not c or l in 'ahw'
    if c:
        return l in 'iu' and a in ('', "'")
    return a == "'"


def later_token(b, a, c, l):
    if b:
        return b == '`' and l == 'r'
    return True


def sections():
    first, later = [], []
    for b, a, c, l, cp in letters():
        if first_token(b, a, c, l):
            first.append((b + a + c + l, cp))
        if later_token(b, a, c, l):
            later.append((b + a + c + l, cp))
    extras = [("'s", FINAL_SIGMA), (':g', DIGAMMA), (':G', DIGAMMA)]
    return first + extras, later + extras


def pairs(table):
    """The pair keys, four-character keys first, as (key, first output, second output)."""
    def char(breathing, accent, letter):
        return table[(breathing, accent, '', letter)]

    four, three = [], []
    for breathing in '`.':
        for v1 in 'aoeAOE':
            for v2 in 'uie':
                accents = "`'~" if v2 in 'ui' else "`'"
                on_first = v1 + v2 in ('ae', 'oe', 'Ae', 'Oe')
                for accent in accents:
                    for key in (breathing + accent + v1 + v2, breathing + v1 + accent + v2):
                        if on_first:
                            out = (char(breathing, '', v1), char('', accent, v2))
                        else:
                            out = (char('', '', v1), char(breathing, accent, v2))
                        four.append((key,) + out)
                if v2 in 'ui':
                    three.append((breathing + v1 + v2, char('', '', v1), char(breathing, '', v2)))
    return four + three


def literal(key):
    return '"' + key.replace('\\', '\\\\').replace('"', '\\"') + '"'


def main():
    table = {(b, a, c, l): cp for b, a, c, l, cp in letters()}
    first, later = sections()
    pair_keys = pairs(table)
    for name, entries in (('first', first), ('later', later)):
        keys = [k for k, _ in entries]
        assert len(keys) == len(set(keys)), name
    assert len(pair_keys) == len({k for k, _, _ in pair_keys})

    out = sys.stdout
    out.write('// Generated by tools/gen_greek_tables.py from the Unicode names of the precomposed\n')
    out.write('// Greek letters; do not edit. Keys are transliterated input, values UTF-16.\n\n')
    out.write('// Word-initial vowel pairs: key, then the two output characters; compared in this\n')
    out.write('// order, four-character keys first.\n')
    out.write('constexpr GreekPairKey kGreekPairKeys[] = {\n')
    for key, a, b in pair_keys:
        out.write(f'    {{{literal(key)}, u\'\\u{a:04X}\', u\'\\u{b:04X}\'}},\n')
    out.write('};\n\n')
    for name, entries, what in (('kGreekFirstTokenKeys', first, 'The token at the start of a part.'),
                                ('kGreekLaterTokenKeys', later, 'Every token after the first.')):
        out.write(f'// {what}\n')
        out.write(f'constexpr GreekTokenKey {name}[] = {{\n')
        for key, cp in entries:
            out.write(f'    {{{literal(key)}, u\'\\u{cp:04X}\'}},  // {chr(cp)}\n')
        out.write('};\n\n')


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Writes a language file from its UTF-8 source.

    make_language_file.py SOURCE OUTPUT ENCODING

The program reads its language files with the system's private-profile
functions in the ANSI code page, so the Chinese file is written in GBK and
the English one in plain ASCII, both with CR LF line ends. A character that
the target encoding cannot hold stops the build instead of turning into a
question mark on the user's screen.
"""

import sys


def convert(text, encoding):
    lines = text.replace('\r\n', '\n').split('\n')
    if lines and lines[-1] == '':
        lines.pop()
    return ''.join(line + '\r\n' for line in lines).encode(encoding, errors='strict')


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    source, output, encoding = argv
    with open(source, encoding='utf-8') as f:
        text = f.read()
    try:
        data = convert(text, encoding)
    except UnicodeEncodeError as e:
        line = text[:e.start].count('\n') + 1
        sys.stderr.write('%s:%d: %r cannot be written in %s\n' % (source, line, text[e.start:e.end], encoding))
        return 1
    with open(output, 'wb') as f:
        f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

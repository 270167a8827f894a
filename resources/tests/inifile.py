"""Reads INI text the way the system's private-profile functions see it:
section and key names without case, values trimmed of spaces and of one pair
of surrounding double quotes, lines without '=' inside a section ignored."""


def parse(text):
    sections = {}
    duplicates = []
    current = None
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith(';'):
            continue
        if line.startswith('[') and ']' in line:
            name = line[1:line.index(']')].strip()
            current = sections.setdefault(name.lower(), {'name': name, 'keys': {}})
            continue
        if current is None or '=' not in line:
            continue
        key, value = line.split('=', 1)
        key = key.strip()
        value = value.strip()
        if len(value) >= 2 and value[0] == '"' and value[-1] == '"':
            value = value[1:-1]
        if key.lower() in current['keys']:
            duplicates.append((number, current['name'], key))
            continue
        current['keys'][key.lower()] = (key, value)
    return sections, duplicates


def value(sections, section, key):
    return sections[section.lower()]['keys'][key.lower()][1]

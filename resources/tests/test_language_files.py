"""Checks the generated language files: encoding, completeness, and the texts
that the program hands to printf-style formatting or to file dialogs."""

import os
import re
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'tools'))

import inifile  # noqa: E402
import make_language_file  # noqa: E402

RUNTIME = os.environ.get('SLIDEWRIGHT_RUNTIME_FILES_DIR', '')
ART = os.environ.get('SLIDEWRIGHT_ART_DIR', '')

# The failure reasons and the one conversion each may hold.
REASON_CONVERSIONS = dict(
    [(k, ['s']) for k in (
        'PictureUnreadable', 'PictureNotSupported', 'PictureDamaged', 'PictureTooLarge', 'PictureUnusable',
        'NoPicturesInFolder', 'PathTooLong', 'NameNotInCodePage', 'MusicMissing', 'MusicUnreadable',
        'MusicNotSupported', 'MusicDamaged', 'MusicTooLarge', 'MusicUnusable', 'MovieNotWritten', 'VideoNotWritten',
        'PictureMissing', 'AlbumUnreadable', 'AlbumNotJson', 'AlbumUnknownKey', 'AlbumMissingKey',
        'AlbumWrongType', 'AlbumOutOfRange', 'AlbumNewerVersion', 'AlbumNotWritten', 'AlbumValueToSave')] +
    [(k, []) for k in ('AlbumSettingsWrong', 'CaptionFontMissing', 'PauseNegative', 'TooManyPictures', 'VideoNotEncoded')] +
    [('PauseTooLong', ['d'])])

# Every key the program looks up, by section.
PROGRAM_KEYS = {
    'String': [
        'MakeAlbum', 'MakeSrceensavers', 'MakeVideo', 'MakeVideoTip', 'MakeVideoError', 'PlayMusic', 'AddPicture', 'DelPicture', 'DelAllPic',
        'FlashPause', 'FlashStop', 'GetMusicPath', 'CopyPic', 'DelMusic', 'AlbumWidth',
        'WidthBound', 'AlbumHeight', 'HeightBound', 'BKColor', 'PauseTime', 'Second', 'SavePath',
        'AlbumWidthWarning1', 'AlbumWidthWarning2', 'AlbumHeightWarning1', 'AlbumHeightWarning2',
        'ImageName', 'ImageSize', 'TransitionMode', 'MenuAddPictures', 'MenuCopyPictures',
        'MenuDeletePictures', 'MenuDeleteAllPictures', 'MenuTransition', 'OpenFileFilter', 'SaveFileFilter',
        'OpenMusicFilter', 'EmptySavePath', 'MakeError', 'SaverNoMovie', 'SaverNotAMovie',
        'SaverTooLarge', 'SaverWriteError', 'AddPicturesFailed', 'AddPicturesFailedMore',
        'TooManyFilesChosen', 'ExitButton', 'MenuHoldTime', 'MenuOpenAlbum', 'MenuSaveAlbum',
        'MenuSaveAlbumAs', 'AlbumFileFilter', 'UntitledAlbum', 'SaveChangesSave', 'SaveChangesDiscard',
        'SaveChangesCancel', 'AlbumPicturesMissing', 'HoldTimeTitle', 'HoldTimeLabel', 'ButtonOK',
        'ButtonCancel', 'HoldTip', 'MenuMotion', 'MenuCaption', 'MotionTip', 'CaptionTip', 'CaptionTitle',
        'CaptionLabel', 'MenuSortByDate', 'MenuSortByName'],
    # with the conversion each holds: the file's name or a number
    'Reasons': list(REASON_CONVERSIONS),
    'Skin': ['Closebuttion', 'MinButton'],
    'Font': ['DefaultFont', 'PointSize'],
    'TransitionMode': [str(i) for i in range(1, 14)],
    'Motion': [str(i) for i in range(1, 9)] + ['Custom'],
    'OpenFileDlg': ['File', 'ImageWidth', 'ImageHeight', 'Preview'],
    'AlbumFile': ['SaveChangesQuestion', 'Key', 'Picture', 'Line', 'Column', 'AlbumSeconds', 'HoldOutOfRange',
                  'HoldOwn', 'HoldAlbum'],
}

# The album-file texts and the one conversion each holds.
ALBUM_FILE_CONVERSIONS = {'SaveChangesQuestion': ['s'], 'Key': ['s'], 'Picture': ['d'], 'Line': ['d'],
                          'Column': ['d'], 'AlbumSeconds': ['d'], 'HoldOutOfRange': ['d'],
                          'HoldOwn': ['d'], 'HoldAlbum': ['d']}

FILES = {'language.cns': 'gbk', 'english.lng': 'ascii'}

RC = os.path.join(HERE, '..', 'slidewright.rc')
# The language-file keys of the picture context menu's commands.
MENU_COMMAND_KEYS = {
    'IDM_ADD_PICTURES': 'MenuAddPictures', 'IDM_COPY_PICTURES': 'MenuCopyPictures',
    'IDM_DELETE_PICTURES': 'MenuDeletePictures', 'IDM_DELETE_ALL_PICTURES': 'MenuDeleteAllPictures',
    'IDM_HOLD_TIME': 'MenuHoldTime', 'IDM_OPEN_ALBUM': 'MenuOpenAlbum', 'IDM_SAVE_ALBUM': 'MenuSaveAlbum',
    'IDM_SAVE_ALBUM_AS': 'MenuSaveAlbumAs', 'IDM_CAPTION': 'MenuCaption',
    'IDM_SORT_BY_DATE': 'MenuSortByDate', 'IDM_SORT_BY_NAME': 'MenuSortByName'}


def picture_menu_captions():
    """The captions of the picture context menu in slidewright.rc, by language-file key."""
    with open(RC, encoding='utf-8') as f:
        text = f.read()
    block = text[text.index('IDR_PICTURE_MENU MENU'):]
    block = block[:block.index('\nEND')]
    captions = {MENU_COMMAND_KEYS[command]: caption
                for caption, command in re.findall(r'MENUITEM\s+"([^"]*)",\s*(\w+)', block)}
    # the first popup is the menu itself, then the transition and the motion submenus
    popups = re.findall(r'POPUP\s+"([^"]*)"', block)
    captions['MenuTransition'] = popups[1]
    captions['MenuMotion'] = popups[2]
    return captions


def access_key(caption):
    """The letter after a single '&', upper case, or None."""
    match = re.search(r'(?<!&)&([^&])', caption.replace('&&', ''))
    return match.group(1).upper() if match else None


def load(name):
    path = os.path.join(RUNTIME, name)
    with open(path, 'rb') as f:
        data = f.read()
    return data, data.decode(FILES[name])


def conversions(text):
    """printf conversions in text, '%%' excluded."""
    return re.findall(r'%[-+ #0]*\d*(?:\.\d+)?[hlL]*([a-zA-Z%])', text)


@unittest.skipUnless(RUNTIME, 'SLIDEWRIGHT_RUNTIME_FILES_DIR is not set (run through ctest)')
class LanguageFiles(unittest.TestCase):

    def setUp(self):
        self.parsed = {}
        for name in FILES:
            _, text = load(name)
            sections, duplicates = inifile.parse(text)
            self.assertEqual(duplicates, [], '%s: keys given twice' % name)
            self.parsed[name] = sections

    def test_encoding_and_line_ends(self):
        for name, encoding in FILES.items():
            data, text = load(name)   # decoding fails loudly on a wrong byte
            self.assertFalse(data.startswith(b'\xef\xbb\xbf'), '%s starts with a UTF-8 mark' % name)
            self.assertNotIn(b'\n', data.replace(b'\r\n', b''), '%s has a bare LF' % name)
            self.assertNotIn('\ufffd', text)
        data, text = load('language.cns')
        self.assertIn('从左向右卷动'.encode('gbk'), data)
        self.assertIn('宋体', text)

    def test_both_files_have_the_same_keys(self):
        def keys(sections):
            return {(s, k) for s, sec in sections.items() for k in sec['keys']}
        cns = keys(self.parsed['language.cns'])
        lng = keys(self.parsed['english.lng'])
        self.assertEqual(sorted(cns - lng), [], 'only in language.cns')
        self.assertEqual(sorted(lng - cns), [], 'only in english.lng')

    def test_every_key_the_program_reads_has_a_text(self):
        for name, sections in self.parsed.items():
            for section, keys in PROGRAM_KEYS.items():
                self.assertIn(section.lower(), sections, '%s: no [%s]' % (name, section))
                for key in keys:
                    v = sections[section.lower()]['keys'].get(key.lower())
                    self.assertIsNotNone(v, '%s: no [%s] %s' % (name, section, key))
                    self.assertTrue(v[1], '%s: [%s] %s is empty' % (name, section, key))
                    # lookups read into 1024 characters, the font face into 255
                    self.assertLess(len(v[1]), 254 if section == 'Font' else 1023)

    def test_file_dialog_filters(self):
        for name, sections in self.parsed.items():
            for key in ('OpenFileFilter', 'SaveFileFilter', 'OpenMusicFilter', 'AlbumFileFilter'):
                text = inifile.value(sections, 'String', key)
                # every '|' becomes a NUL: the list must end in an empty string
                self.assertTrue(text.endswith('|'), '%s: %s does not end with |' % (name, key))
                parts = text.rstrip('|').split('|')
                self.assertEqual(len(parts) % 2, 0, '%s: %s is not description|pattern pairs' % (name, key))
                for description, pattern in zip(parts[0::2], parts[1::2]):
                    self.assertTrue(description.strip())
                    self.assertRegex(pattern, r'^\*\.[a-z0-9*]+(;\*\.[a-z0-9*]+)*$', '%s: %s' % (name, key))

    def test_texts_used_as_formats(self):
        for name, sections in self.parsed.items():
            self.assertEqual(conversions(inifile.value(sections, 'OpenFileDlg', 'File')), ['s'], name)
            for key in ('ImageWidth', 'ImageHeight'):
                self.assertEqual(conversions(inifile.value(sections, 'OpenFileDlg', key)), ['d'],
                                 '%s: %s' % (name, key))
                # the formatted label goes into a 100-byte buffer
                self.assertLess(len(inifile.value(sections, 'OpenFileDlg', key).encode('gbk')) + 10, 100)
            self.assertLess(len(inifile.value(sections, 'OpenFileDlg', 'File').encode('gbk')), 60)
            # the tip text is assembled around "%d*%d": a stray % in its parts would be read as a
            # conversion, so no other text may hold one either
            for key, text in ((k, v) for k, v in sections['string']['keys'].values()):
                self.assertNotIn('%', text, '%s: [String] %s' % (name, key))
            # the reasons are filled with the file's name or a number, one conversion at most
            for key, expected in REASON_CONVERSIONS.items():
                self.assertEqual(conversions(inifile.value(sections, 'Reasons', key)), expected,
                                 '%s: [Reasons] %s' % (name, key))
            for key, expected in ALBUM_FILE_CONVERSIONS.items():
                self.assertEqual(conversions(inifile.value(sections, 'AlbumFile', key)), expected,
                                 '%s: [AlbumFile] %s' % (name, key))

    def test_menu_texts(self):
        captions = picture_menu_captions()
        self.assertEqual(sorted(captions), sorted(list(MENU_COMMAND_KEYS.values()) + ['MenuTransition', 'MenuMotion']))
        # the Chinese file keeps the resource's own captions
        for key, caption in captions.items():
            self.assertEqual(inifile.value(self.parsed['language.cns'], 'String', key), caption, key)
        # access keys of one menu must differ, or a key press would not choose
        for name, sections in self.parsed.items():
            keys = [access_key(inifile.value(sections, 'String', key)) for key in captions]
            keys = [k for k in keys if k]
            self.assertEqual(len(keys), len(set(keys)), '%s: two menu items share an access key' % name)

    def test_font_and_transition_names(self):
        for name, sections in self.parsed.items():
            size = inifile.value(sections, 'Font', 'PointSize')
            self.assertRegex(size, r'^\d+$')
            self.assertTrue(60 <= int(size) <= 160, '%s: PointSize is in tenths of a point' % name)
            names = [inifile.value(sections, 'TransitionMode', str(i)) for i in range(1, 14)]
            self.assertEqual(len(set(names)), 13, '%s: two transitions share a name' % name)
            self.assertEqual(len(sections['transitionmode']['keys']), 13)
            motions = [inifile.value(sections, 'Motion', key) for key in PROGRAM_KEYS['Motion']]
            self.assertEqual(len(set(motions)), 9, '%s: two motions share a name' % name)

    @unittest.skipUnless(ART, 'SLIDEWRIGHT_ART_DIR is not set')
    def test_skin_rectangles_match_the_drawn_buttons(self):
        with open(os.path.join(ART, 'skin-layout.ini'), encoding='utf-8') as f:
            drawn, _ = inifile.parse(f.read())
        for name, sections in self.parsed.items():
            for key in ('Closebuttion', 'MinButton'):
                text = inifile.value(sections, 'Skin', key)
                self.assertRegex(text, r'^\d+,\d+,\d+,\d+$', '%s: [Skin] %s' % (name, key))
                left, top, right, bottom = (int(v) for v in text.split(','))
                self.assertLess(left, right)
                self.assertLess(top, bottom)
                self.assertEqual(text, inifile.value(drawn, 'Skin', key), '%s: [Skin] %s' % (name, key))


class Conversion(unittest.TestCase):

    def test_crlf_and_strict_encoding(self):
        self.assertEqual(make_language_file.convert('[A]\nk=宋体\r\n', 'gbk'),
                         b'[A]\r\nk=\xcb\xce\xcc\xe5\r\n')
        with self.assertRaises(UnicodeEncodeError):
            make_language_file.convert('k=宋体\n', 'ascii')
        with self.assertRaises(UnicodeEncodeError):
            make_language_file.convert('k=\u20ac\U0001F600\n', 'gbk')

    def test_profile_reading_rules(self):
        sections, duplicates = inifile.parse('; a=1\n[S]\n k = "v " \nno value\nK=again\n')
        self.assertEqual(inifile.value(sections, 's', 'K'), 'v ')
        self.assertEqual(duplicates, [(5, 'S', 'K')])
        self.assertNotIn('; a', sections['s']['keys'])


if __name__ == '__main__':
    unittest.main()

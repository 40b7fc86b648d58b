#!/usr/bin/python3
"""Writes the inputs of bench/ppt.sh into OUT_DIR (default build/bench/ppt):
  big.ppt     a presentation of 600 slides, each with a title, a three-paragraph placeholder and
              speaker notes, authored as Flat ODF and saved as .ppt by LibreOffice;
  huge.ppt    the same with 5,000 slides (about 16 MB);
  small/      1,000 small .ppt files: the corpus presentations under 64 KB that are not
              encrypted, repeated round-robin (the committed fixtures when the corpus is absent).
Needs LibreOffice (soffice)."""

import glob
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', 'tests', 'fixtures', 'ppt'))
import make_fixtures  # noqa: E402  (the .fodp writer and the LibreOffice call)

WORDS = ('quarterly revenue growth market share customer retention pipeline forecast '
         'operating margin product roadmap hiring plan risk review').split()


def sentence(n, length):
    return ' '.join(WORDS[(n * 7 + i) % len(WORDS)] for i in range(length))


def big_presentation(count):
    slides = []
    for n in range(count):
        shapes = [('title', [[f'Slide {n + 1}: {sentence(n, 4)}']]),
                  ('outline', [[sentence(n + k, 10)] for k in range(3)])]
        notes = [[f'Speaker notes for slide {n + 1}. {sentence(n + 3, 20)}']]
        slides.append((shapes, notes))
    return slides


def small_sources():
    corpus = os.path.join(HERE, '..', '..', 'shared', 'corpus', 'poi', 'slideshow')
    picked = []
    for path in sorted(glob.glob(os.path.join(corpus, '*.ppt'))):
        name = os.path.basename(path).lower()
        if os.path.getsize(path) < 65536 and 'encrypt' not in name and 'password' not in name:
            picked.append(path)
    return picked or sorted(glob.glob(os.path.join(HERE, '..', 'tests', 'fixtures', 'ppt', '*.ppt')))


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, '..', 'build', 'bench', 'ppt')
    os.makedirs(out_dir, exist_ok=True)
    work = os.path.join(out_dir, 'fodp')
    os.makedirs(work, exist_ok=True)
    with open(os.path.join(work, 'big.fodp'), 'w', encoding='utf-8') as f:
        f.write(make_fixtures.presentation(big_presentation(600)))
    # Large enough for the reading itself, not process start-up, to decide the time; past 4,095
    # persist objects LibreOffice's persist directory count wraps.
    with open(os.path.join(work, 'huge.fodp'), 'w', encoding='utf-8') as f:
        f.write(make_fixtures.presentation(big_presentation(5000)))
    make_fixtures.convert(work, out_dir, ['big', 'huge'])
    shutil.rmtree(work)

    small = os.path.join(out_dir, 'small')
    shutil.rmtree(small, ignore_errors=True)
    os.makedirs(small)
    sources = small_sources()
    for i in range(1000):
        shutil.copyfile(sources[i % len(sources)], os.path.join(small, f'{i:04d}.ppt'))


if __name__ == '__main__':
    main()

"""Tests for wordcount. Each test checks one sentence of SPEC.md.

Run them with:  uv run --with pytest pytest
"""

import wordcount


def test_empty_text_has_no_words():
    assert wordcount.count_words("") == 0


def test_white_space_alone_has_no_words():
    assert wordcount.count_words("  \n\t  ") == 0


def test_words_are_separated_by_white_space():
    assert wordcount.count_words("the quick  brown\nfox") == 4


def test_punctuation_inside_a_word_keeps_it_one_word():
    assert wordcount.count_words("don't stop, well-known 3.5") == 4

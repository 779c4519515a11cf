#!/usr/bin/env python3
"""Writes the sample day: examples/dzien.mix (music from 06:00 to about 23:00) and
examples/reklamy.lst (advert blocks naming the spots made by kalmero_make_spots).
Both in Windows-1250 with CR LF line ends, as the program's own files are.
Usage: python3 examples/make_day.py [folder]   (default: examples)"""

import random
import sys
from pathlib import Path

SEPARATOR = "; " + "-" * 34

PERFORMERS = [
    "Zespół Mewa", "Anka Wróbel", "Bracia Kłos", "Kwartet Żuraw", "Ola Śliwińska",
    "Marek Zięba", "Nocny Tramwaj", "The Blue Ferns", "Halina Dąb", "Czerwone Kalosze",
    "Lena Ptak", "Orkiestra Spod Mostu", "Kuba Łoś", "Stare Dobre Radio", "Mira Sowa",
    "Paper Lanterns", "Grzegorz Jeż", "Dziewczyny z Pól", "Północny Wiatr", "Tom Harrow",
]
TITLES = [
    "Lato nad Wisłą", "Pociąg do Gdyni", "Czekam na ciebie", "Żółte liście", "Miasto nocą",
    "Nie mów nic", "Deszczowy wtorek", "Słońce w kieszeni", "Ostatni tramwaj", "Wrócę jutro",
    "Dwa serca", "Kołysanka dla dorosłych", "Na rowerze", "Biały kruk", "Gwiazdy nad Helem",
    "Summer Road", "Paper Moon Café", "Taniec w kuchni", "Księżycowy blues", "Za górami",
    "Ścieżka przez las", "Kawa o północy", "Znowu piątek", "Morze w słoiku", "Radio w aucie",
    "Coming Home", "Pod jednym dachem", "Wiosna na Pradze", "Mgła", "Łąka pełna maków",
    "Szybciej niż wiatr", "Listy do Zosi", "Wieczór w Zakopanem", "Neon Lights", "Echo",
]
LABELS = ["Wytwórnia Pod Lipą", "Kaseta Records", "Dźwięki Północy", "Studio Strych"]
JINGLES = [("Jingiel stacji", 6_500), ("Jingiel pogodowy", 9_200), ("Jingiel godzinowy", 4_800)]


def duration(ms):
    minutes, rest = divmod(ms, 60_000)
    return f"{minutes:02d}:{rest // 1000:02d}.{rest % 1000:03d}"


def emission(ms):
    hours, rest = divmod(ms, 3_600_000)
    minutes, rest = divmod(rest, 60_000)
    return f"{hours:02d}:{minutes:02d}:{rest // 1000:02d}.{rest % 1000:03d}"


def record(start, fields, mix_ms, nwk_ms):
    """One MIX record in the writer's field order; returns its lines and the next start."""
    lines = [SEPARATOR, "Emi=" + emission(start)]
    order = ["Typ", "Trw", "Int", "Out", "NwP", "NwK", "FIn", "FOu", "FIT", "FOT", "Mix",
             "Zak", "Ide", "Tyt", "Pta", "Wyk", "Kom", "Atr", "Pro", "Wyd", "Rok", "BPM",
             "Wzm", "Kac", "KFI", "KFO", "Adr"]
    for key in order:
        if key in fields:
            lines.append(f"{key}={fields[key]}")
    lines.append("KONIEC OPISU")
    # The next item starts where this one hands over: its NwK point, counted from Mix.
    return lines, start + nwk_ms - mix_ms


def song(rng, number):
    length = rng.randrange(210_000, 360_000, 100)
    intro = rng.randrange(4_000, 20_000, 100)
    mix = rng.choice([0, 0, 200, 350, 500])
    nwk = length - rng.randrange(1_500, 6_000, 100)
    outro = nwk - rng.randrange(3_000, 9_000, 100)
    performer, title = rng.choice(PERFORMERS), rng.choice(TITLES)
    fields = {
        "Typ": "SND", "Trw": duration(length), "Int": duration(intro), "Out": duration(outro),
        "NwK": duration(nwk), "FOu": duration(nwk + 1_000), "FOT": "1", "Mix": duration(mix),
        "Ide": f"MUZ{number:06d}", "Tyt": title, "Wyk": performer,
        "Wyd": rng.choice(LABELS), "Rok": str(rng.randint(1968, 2024)),
        "BPM": str(rng.randint(72, 132)), "Wzm": str(rng.choice([0, 0, -1, 1, -2])),
        "Adr": f"D:\\Muzyka\\{performer[0]}\\{performer} - {title}.mp3",
    }
    if rng.random() < 0.15:
        fields["Kom"] = rng.choice(["wersja radiowa", "koncertowa", "premiera"])
    return fields, mix, nwk


def jingle(rng, name, length):
    fields = {
        "Typ": "JNG", "Trw": duration(length), "Out": duration(length), "NwK": duration(length),
        "FOu": duration(length), "Mix": duration(0), "Ide": "JNG" + name.split()[-1][:4].upper(),
        "Tyt": name, "Wyk": "Radio Kalmero", "Adr": f"D:\\Jingle\\{name}.wav",
    }
    return fields, 0, length


def dj_talk(length, title):
    fields = {
        "Typ": "DJ_", "Trw": duration(length), "NwK": duration(length), "Mix": duration(0),
        "Tyt": title, "Wyk": "prowadzący", "Kom": "na żywo",
    }
    return fields, 0, length


def make_day(rng):
    lines = []
    start = 6 * 3_600_000
    number = 4_100
    talks = {45: "Zapowiedź konkursu", 150: "Pozdrowienia od słuchaczy"}
    count = 0
    while start < 23 * 3_600_000:
        if count % 7 == 0:
            name, length = JINGLES[(count // 7) % len(JINGLES)]
            item = jingle(rng, name, length)
        else:
            number += rng.randint(1, 40)
            item = song(rng, number)
        record_lines, start = record(start, *item)
        lines += record_lines
        count += 1
        if count in talks:
            record_lines, start = record(start, *dj_talk(rng.randrange(25_000, 60_000, 500),
                                                         talks[count]))
            lines += record_lines
            count += 1
    return ["WERSJA=2", f"POZYCJI={count}"] + lines


SPOT_BLOCKS = [
    (" 7:15:00", ["pizzeria", "apteka", "warsztat"]),
    (" 8:45:00", ["piekarnia", "księgarnia", "salon_meblowy", "pizzeria"]),
    ("12:00:00", ["kino", "apteka", "biuro_podrozy"]),
    ("17:30:00", ["warsztat", "salon_meblowy", "księgarnia", "kino"]),
    ("20:10:00", ["biuro_podrozy", "pizzeria", "piekarnia"]),
]


def make_adverts():
    lines = []
    for time, spots in SPOT_BLOCKS:
        for spot in spots:
            lines += [time, f"spoty/{spot}.mp3"]
    return lines


def write(path, lines):
    path.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1250"))


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else "examples")
    write(folder / "dzien.mix", make_day(random.Random(1975)))
    write(folder / "reklamy.lst", make_adverts())


if __name__ == "__main__":
    main()

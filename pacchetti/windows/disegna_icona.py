#!/usr/bin/env python3
"""Draws the programs' icon, pacchetti/windows/compila_scenario.ico: a track running into
the distance under a signal, on a blue square, at 16, 24, 32, 48 and 256 pixels (32-bit
images with their alpha, as Windows reads them from an .ico). Run again only to change it:
the .ico is kept in the repository.
    python3 pacchetti/windows/disegna_icona.py pacchetti/windows/compila_scenario.ico"""
import struct
import sys
import zlib


def pixel(x, y):
    """The colour (r, g, b, a) at (x, y) of the unit square, y downward."""
    # The square with rounded corners.
    r = 0.16
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    colore = (24, 70, 140, 255)
    # The track: two rails from the bottom corners to a point on the horizon.
    orizzonte, fuga = 0.38, 0.5
    if y > orizzonte:
        t = (y - orizzonte) / (1 - orizzonte)
        for lato in (-1, 1):
            binario = fuga + lato * 0.36 * t
            if abs(x - binario) < 0.012 + 0.035 * t:
                return (235, 235, 235, 255)
        # Sleepers, closer together towards the horizon.
        passo = (t ** 0.5) * 6
        if abs(x - fuga) < 0.42 * t and (passo % 1) < 0.22 and t > 0.12:
            colore = (150, 110, 60, 255)
    # The signal: a post and a lamp, red over green.
    if 0.76 < x < 0.80 and 0.20 < y < 0.62:
        return (40, 40, 40, 255)
    for cy_l, c in ((0.22, (220, 40, 40, 255)), (0.34, (40, 200, 80, 255))):
        if (x - 0.78) ** 2 + (y - cy_l) ** 2 < 0.055 ** 2:
            return c
    return colore


def pixel_mediati(lato):
    """The rows of a `lato`-pixel image, top down, each pixel (r, g, b, a) the mean of 16
    samples, so that the edges are smooth."""
    campioni = 4
    righe = []
    for riga in range(lato):
        byte = bytearray()
        for colonna in range(lato):
            somma = [0, 0, 0, 0]
            for i in range(campioni):
                for j in range(campioni):
                    p = pixel((colonna + (i + 0.5) / campioni) / lato, (riga + (j + 0.5) / campioni) / lato)
                    a = p[3]
                    for k in range(3):
                        somma[k] += p[k] * a
                    somma[3] += a
            n = campioni * campioni
            alfa = somma[3] / n
            if somma[3] > 0:
                r, g, b = (round(somma[k] / somma[3]) for k in range(3))
            else:
                r = g = b = 0
            byte += bytes((r, g, b, round(alfa)))
        righe.append(bytes(byte))
    return righe


def immagine(lato):
    """One image of the .ico: a BITMAPINFOHEADER, the pixels bottom up in BGRA, the AND
    mask; the largest as PNG, which Windows reads there too and which is far smaller."""
    righe = pixel_mediati(lato)
    if lato >= 256:
        def pezzo(tipo, dati):
            return struct.pack('>I', len(dati)) + tipo + dati + struct.pack('>I', zlib.crc32(tipo + dati))
        grezzi = b''.join(b'\0' + r for r in righe)
        return (b'\x89PNG\r\n\x1a\n' + pezzo(b'IHDR', struct.pack('>IIBBBBB', lato, lato, 8, 6, 0, 0, 0)) +
                pezzo(b'IDAT', zlib.compress(grezzi, 9)) + pezzo(b'IEND', b''))
    bgra = []
    for r in reversed(righe):
        bgra.append(bytes(b for i in range(0, len(r), 4) for b in (r[i + 2], r[i + 1], r[i], r[i + 3])))
    maschera = bytes(((lato + 31) // 32) * 4 * lato)
    testa = struct.pack('<IiiHHIIiiII', 40, lato, lato * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return testa + b''.join(bgra) + maschera


def main():
    lati = (16, 24, 32, 48, 256)
    immagini = [immagine(l) for l in lati]
    uscita = struct.pack('<HHH', 0, 1, len(lati))
    posto = 6 + 16 * len(lati)
    for lato, dati in zip(lati, immagini):
        uscita += struct.pack('<BBBBHHII', lato % 256, lato % 256, 0, 0, 1, 32, len(dati), posto)
        posto += len(dati)
    uscita += b''.join(immagini)
    with open(sys.argv[1], 'wb') as f:
        f.write(uscita)


main()

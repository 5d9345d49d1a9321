// The conversion from SVG path data to the program's outline text.
//   node --test outline.test.mjs
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { svgPathToOutline } from './outline.mjs';

test('converts each SVG form to absolute, y-up outline text', () => {
  const cases = [
    // absolute move, line and close; y is negated
    ['M100-200L300-400Z', 'M100 200L300 400Z'],
    // relative forms add up from the current point
    ['m100-200l10-20 5 5z', 'M100 200L110 220L115 215Z'],
    // pairs after a move are lines (absolute after M, relative after m)
    ['M10-10 20-20 30-30Z', 'M10 10L20 20L30 30Z'],
    ['m10-10 20-20Z', 'M10 10L30 30Z'],
    // H and V become L, absolute and relative
    ['M10-10H50V-90h-20v30Z', 'M10 10L50 10L50 90L30 90L30 60Z'],
    // Q relative: both points from the same current point
    ['M100-100q10-20 30-40Z', 'M100 100Q110 120 130 140Z'],
    // T mirrors the last control point through the current point
    ['M0-100Q10-120 20-100T40-100Z', 'M0 100Q10 120 20 100Q30 80 40 100Z'],
    // T after a non-curve takes the current point as its control point
    ['M10-10T30-30Z', 'M10 10Q10 10 30 30Z'],
    // relative t chains keep mirroring
    ['M100-100q10-10 20 0t20 0t20 0Z', 'M100 100Q110 110 120 100Q130 90 140 100Q150 110 160 100Z'],
    // a close returns to the subpath's start for the next relative move
    ['M100-100h50zm10-10h5Z', 'M100 100L150 100ZM110 110L115 110Z'],
    // numbers: one decimal, halves away from zero; leading dots; two-decimal steps add exactly
    ['M100.25-100.24l.5-.05Z', 'M100.3 100.2L100.8 100.3Z'],
    ['M0-100l24.75-17.63 .1 .1Z', 'M0 100L24.8 117.6L24.9 117.5Z'],
    ['M960-960L0 0Z', 'M960 960L0 0Z'],
  ];
  for (const [svg, outline] of cases) assert.equal(svgPathToOutline(svg), outline, svg);
});

test('refuses what the outline text cannot hold', () => {
  const bad = [
    'M0-0C1-1 2-2 3-3Z',   // cubic
    'M0-0A1 1 0 0 1 3-3Z', // arc
    'M0-0L10',             // missing number
    'M0 10Z',              // below the box
    'M0-0L1000-0Z',        // right of the box
    'M0-0L10-10',          // no close at the end
  ];
  for (const svg of bad) assert.throws(() => svgPathToOutline(svg), undefined, svg);
});

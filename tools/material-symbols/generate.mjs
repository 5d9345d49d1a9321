// Writes src/ui/MaterialSymbolsData.cpp: the outline text of every glyph of
// the program's icon set, converted from the outlined, weight-400 SVGs of
// @material-symbols/svg-400. Build-time only: the written source is committed
// and the program never reads the package.
//   cd tools/material-symbols && npm install && npm run generate
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { svgPathToOutline } from './outline.mjs';

// In the order of the program's table; ".fill" names take the filled SVG.
const NAMES = [
  'content_paste_go', 'history', 'content_paste_off', 'visibility_off', 'visibility',
  'do_not_disturb_on', 'swap_horiz', 'flag', 'label', 'upload_file', 'pause_circle',
  'play_arrow', 'list_alt', 'settings', 'power_settings_new', 'chevron_right', 'chevron_left',
  'check', 'tune', 'shield', 'apps', 'info', 'contact_mail', 'description', 'block', 'add',
  'remove', 'search', 'accessibility_new', 'keyboard_command_key', 'keyboard', 'help', 'vpn_key',
  'credit_card', 'database', 'key', 'password', 'lan', 'folder', 'mail', 'account_balance',
  'call', 'badge', 'id_card', 'home', 'person', 'clinical_notes', 'lock', 'open_in_new',
  'check.fill', 'priority_high.fill', 'block.fill', 'pause.fill', 'progress_activity.fill',
  'remove.fill', 'history.fill', 'cancel.fill', 'visibility_off.fill', 'tune.fill',
  'shield.fill', 'apps.fill', 'info.fill', 'visibility.fill', 'keyboard_command_key.fill',
  'keyboard.fill', 'help.fill', 'content_paste_go.fill', 'lock.fill',
];

const here = dirname(fileURLToPath(import.meta.url));
const require = createRequire(import.meta.url);
const packageJson = require.resolve('@material-symbols/svg-400/package.json');
const packageDir = dirname(packageJson);
const version = JSON.parse(readFileSync(packageJson, 'utf8')).version;

function svgPath(name) {
  const file = name.endsWith('.fill') ? `${name.slice(0, -5)}-fill.svg` : `${name}.svg`;
  const svg = readFileSync(join(packageDir, 'outlined', file), 'utf8');
  if (!svg.includes('viewBox="0 -960 960 960"')) throw new Error(`${file}: another box`);
  const paths = [...svg.matchAll(/<path\b[^>]*\bd="([^"]*)"/g)];
  if (paths.length !== 1) throw new Error(`${file}: ${paths.length} paths`);
  return paths[0][1];
}

// Adjacent literals of at most `width` characters, cut before a command letter.
function literals(text, width) {
  const pieces = [];
  let rest = text;
  while (rest.length > width) {
    let cut = width;
    while (cut > 0 && !/[MLQZ]/.test(rest[cut])) cut--;
    if (cut === 0) cut = width;
    pieces.push(rest.slice(0, cut));
    rest = rest.slice(cut);
  }
  pieces.push(rest);
  return pieces.map((p) => `     "${p}"`).join('\n');
}

if (new Set(NAMES).size !== NAMES.length) throw new Error('a name is listed twice');
const entries = NAMES.map((name) => {
  let outline;
  try {
    outline = svgPathToOutline(svgPath(name));
  } catch (e) {
    throw new Error(`${name}: ${e.message}`);
  }
  return `    {"${name}",\n${literals(outline, 90)}},`;
});

const source = `// The outlines of the icon set. Written by tools/material-symbols/generate.mjs
// from @material-symbols/svg-400 ${version} (outlined style, weight 400), which is
// under the Apache License 2.0 (tools/material-symbols/LICENSE). Do not edit by hand.
#include "MaterialSymbolsData.h"

namespace clipvane {

// clang-format off
const std::array<MaterialOutline, ${NAMES.length}> materialOutlines{{
${entries.join('\n')}
}};
// clang-format on

}  // namespace clipvane
`;
const target = join(here, '..', '..', 'src', 'ui', 'MaterialSymbolsData.cpp');
writeFileSync(target, source);
console.log(`wrote ${NAMES.length} outlines to ${target}`);

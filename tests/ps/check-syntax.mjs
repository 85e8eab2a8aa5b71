// Parses PowerShell scripts with the tree-sitter grammar and fails on any
// syntax error. Usage: node check-syntax.mjs FILE...
import { readFileSync } from 'node:fs';

let Parser, PowerShell;
try {
  Parser = (await import('tree-sitter')).default;
  PowerShell = (await import('tree-sitter-powershell')).default;
} catch (error) {
  console.error(`cannot load the PowerShell grammar (${error.message}); run scripts/setup-debian.sh`);
  process.exit(1);
}

const parser = new Parser();
parser.setLanguage(PowerShell);

// Line and column (1-based) and text of every ERROR or MISSING node.
function faults(source) {
  const found = [];
  const walk = (node) => {
    if (node.isError || node.isMissing) {
      const { row, column } = node.startPosition;
      const what = node.isMissing ? `missing ${node.type}` : `unexpected ${JSON.stringify(node.text.slice(0, 40))}`;
      found.push(`line ${row + 1} column ${column + 1}: ${what}`);
      return;
    }
    if (node.hasError) for (const child of node.children) walk(child);
  };
  walk(parser.parse(source).rootNode);
  return found;
}

// The check proves something only if the parser rejects broken text.
const broken = ['if ($a { 1 }\n', '$h = [ordered]@{\n  a = 1\n', "$x = 'open\n"];
for (const text of broken) {
  if (faults(text).length === 0) {
    console.error(`the parser accepts broken text ${JSON.stringify(text)}: the check would prove nothing`);
    process.exit(2);
  }
}

let failed = false;
for (const file of process.argv.slice(2)) {
  const problems = faults(readFileSync(file, 'utf8'));
  for (const problem of problems) console.error(`${file}: ${problem}`);
  if (problems.length) failed = true;
  else console.log(`${file}: no syntax errors`);
}
process.exit(failed || process.argv.length < 3 ? 1 : 0);

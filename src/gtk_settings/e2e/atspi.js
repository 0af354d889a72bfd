// Drives the settings window through its accessibility tree, as a screen reader would: the same
// on every compositor, and the real widgets' signals.
// Usage: gjs atspi.js names               every accessible's role and name, one a line
//        gjs atspi.js act NAME            the first action of the accessible called NAME
//        gjs atspi.js set NAME VALUE      the value of the accessible called NAME
imports.gi.versions.Atspi = '2.0';
const {Atspi} = imports.gi;

const kApplication = 'org.ambervale_screensaver.Settings';

function* walk(node) {
  yield node;
  for (let i = 0; i < node.get_child_count(); i++) {
    const child = node.get_child_at_index(i);
    if (child) yield* walk(child);
  }
}

function application() {
  const desktop = Atspi.get_desktop(0);
  const names = [];
  for (let i = 0; i < desktop.get_child_count(); i++) {
    const app = desktop.get_child_at_index(i);
    if (app && app.get_name() === kApplication) return app;
    names.push(app ? app.get_name() : '?');
  }
  throw new Error(`the settings window is not on the accessibility bus, only: ${names.join(', ')}`);
}

function named(name) {
  for (const node of walk(application())) {
    if (node.get_name() === name) return node;
  }
  throw new Error(`nothing called "${name}"`);
}

Atspi.init();
const [command, name, value] = ARGV;
if (command === 'names') {
  for (const node of walk(application())) print(`${node.get_role_name()}: ${node.get_name()}`);
} else if (command === 'act') {
  named(name).get_action_iface().do_action(0);
} else if (command === 'set') {
  named(name).get_value_iface().set_current_value(Number(value));
} else {
  throw new Error('usage: atspi.js names | act NAME | set NAME VALUE');
}

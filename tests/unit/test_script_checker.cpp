#include "checker/script_checker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "interp/program.h"
#include "launcher/script_reader.h"
#include "launcher/startup.h"

namespace kal::check {
namespace {

// A problem as "LINE:COLUMN e|w MESSAGE" (the message in Windows-1252).
std::vector<std::string> problems(const std::string& script) {
  std::vector<std::string> out;
  for (const Problem& p : check_script(script))
    out.push_back(std::to_string(p.line) + ":" + std::to_string(p.column) + (p.error ? " e " : " w ") +
                  p.message);
  return out;
}

using Lines = std::vector<std::string>;

TEST(ScriptChecker, ACleanScriptHasNoProblem) {
  EXPECT_EQ(problems(".codigo;\r\n&a := 1;\r\n.aviso &a;\r\n.fin;\r\n"), Lines{});
}

const std::string kNoSigil =
    "Una palabra sin signo delante: las variables empiezan por &, las constantes por @, los textos por ~ y "
    "las "
    "etiquetas por :";

TEST(ScriptChecker, EveryBadTokenWithItsPlace) {
  EXPECT_EQ(
      problems(".codigo;\r\n&a := 1;\r\nhola!; &b := 2;\r\n  &c := &a + 3; x|y;\r\n.fin;\r\n"),
      (Lines{"3:1 e hola!: Esta expresi\xF3n es ERRONEA !!",
             "4:17 e x: Esta expresi\xF3n es ERRONEA !! " + kNoSigil,
             "4:18 e |: Esta expresi\xF3n es ERRONEA !! Una lista no se escribe con |: se construye elemento "
             "a elemento con %METER (&x := 120; &lista := %METER &x;)",
             "4:19 e y: Esta expresi\xF3n es ERRONEA !! " + kNoSigil}));
}

TEST(ScriptChecker, LineEndsOfEveryKind) {
  // CR LF, CR and LF all end a line for the positions; only LF also separates tokens.
  const Lines want{"3:1 e hola!: Esta expresi\xF3n es ERRONEA !!"};
  EXPECT_EQ(problems(".codigo;\r\n&a := 1;\r\nhola!;\r\n.fin;\r\n"), want);
  EXPECT_EQ(problems(".codigo;\r&a := 1;\rhola!;\r.fin;\r"), want);
  EXPECT_EQ(problems(".codigo;\n&a := 1;\nhola!;\n.fin;\n"), want);
}

// The line of each statement in run order, for a stepped run: comments and labels are statements too, and a
// statement joined across lines starts on its first.
TEST(ScriptChecker, TheLineOfEveryStatement) {
  EXPECT_EQ(
      check::analyze_script(".codigo;\r\n'nota;\r\n:bucle; &a\r\n := 1;\r\n\r\n.fin;\r\n").statement_lines,
      (std::vector<std::size_t>{1, 2, 3, 3, 6}));
}

TEST(ScriptChecker, ATokenSplitAcrossLinesPointsAtItsFirstCharacter) {
  // The interpreter joins "&to" and "tal!" into one token: it is reported where it starts.
  EXPECT_EQ(problems(".codigo;\r\n  &to\r\ntal! := 1;\r\n.fin;\r\n"),
            Lines{"2:3 e &total!: Esta expresi\xF3n es ERRONEA !!"});
}

TEST(ScriptChecker, EveryFailingOuterFormCheck) {
  EXPECT_EQ(problems("&a := 1;\r\n.codigo;\r\n.codigo;\r\n.fin;\r\n.fin"),
            (Lines{"1:1 e El c\xF3"
                   "digo debe empezar con la palabra reservada .codigo;",
                   "3:1 e Solo un .codigo;",
                   "4:5 e El c\xF3"
                   "digo debe terminar con la palabra reservada .fin;",
                   "5:1 e La sentencia debe terminar en ;", "5:1 e Solo un .fin;"}));
  EXPECT_EQ(problems(""), (Lines{"1:1 e La sentencia debe terminar en ;",
                                 "1:1 e El c\xF3"
                                 "digo debe terminar con la palabra reservada .fin;",
                                 "1:1 e El c\xF3"
                                 "digo debe empezar con la palabra reservada .codigo;"}));
}

TEST(ScriptChecker, StatementsNoHandlerRuns) {
  // The interpreter's own text first, then its shape in words, then why.
  EXPECT_EQ(
      problems(".codigo;\r\n&t := ~a;\r\n.aviso &t &t;\r\n.fin;\r\n"),
      Lines{"3:1 e .&&aviso: Instrucci\xF3n Desconocida ... (forma: orden, variable, variable). La orden "
            ".aviso lleva 1 operando"});
}

// The mistakes a first-time user makes most, each with the hint that must explain it. Every script starts
// with ".codigo;" on line 1 and ends with ".fin;".
TEST(ScriptChecker, BeginnerMistakesGetAHintInPlainSpanish) {
  const struct {
    const char* body;
    const char* where;  // "LINE:COLUMN e" or "... w": on the operand a hint names, else on the statement
    const char* hint;
  } rows[] = {
      {"&a := 5\r\n&b := 6;", "2:7 e",
       "5&b: Esta expresi\xF3n es ERRONEA !! \xBF"
       "Falta un ; al final de la l\xEDnea 2?"},
      {"&a := 5 \r\n.aviso &a;", "2:1 e",
       "(forma: variable, n\xFAmero, orden, variable). \xBF"
       "Falta un ; al final de la l\xEDnea 2?"},
      {"&a := 1; &b := &a + &a + &a;", "2:10 e", "Cada sentencia hace una sola operaci\xF3n"},
      {"&a := 1; &w := 5 + &a;", "2:16 e",
       "Una cuenta empieza por una variable: ponga antes 5 en una variable"},
      {".aviso ~Hola;", "2:8 e",
       "El operando 1 de .aviso es un texto (~Hola): las \xF3rdenes solo toman variables; "
       "p\xF3ngalo antes en una variable (&v := ~Hola;)"},
      {"&n := 3; .cmp &n 3;", "2:18 e", "El operando 2 de .cmp es un n\xFAmero (3)"},
      {"&b := 1; @iva := 21; &p := %PER &b @iva;", "2:36 e",
       "El operando 2 de %PER es una constante (@iva): las funciones solo toman variables; "
       "una constante solo se junta con un texto, no se copia en una variable: "
       "use una variable, &iva, en lugar de la constante"},
      {"@iva := 21; &b := @iva * 2;", "2:19 e", "@iva es una constante: solo se junta con un texto"},
      {"@iva := 21; &b := @iva;", "2:19 e", "para hacer cuentas o copiar su valor use una variable, &iva"},
      {"&t := ~IVA-21;", "2:1 e",
       "El texto ~IVA se corta en -: un texto no puede llevar - (constr\xFAyalo con %CAR 45"},
      {"&t := ~50%;", "2:7 e", "Un texto no puede llevar %: constr\xFAyalo con %CAR 37"},
      {"&t := ~a\x81z;", "2:7 e",
       "Un texto no puede llevar el car\xE1"
       "cter de c\xF3"
       "digo 129: constr"},
      {"&a := 7; &b := &a mod 2;", "2:19 e", "Los operadores se escriben en may\xFAsculas: MOD"},
      {"'una nota . suelta;", "2:11 e", "Un punto suelto no es ninguna palabra"},
      {"hola;", "2:1 e", "Una palabra sin signo delante: las variables empiezan por &"},
      {"'nota sin punto y coma\r\n&v := 1;", "2:1 w",
       "el comentario sigue en la l\xEDnea 3 y se lleva la sentencia que empieza all\xED: \xBF"
       "falta un ; al final de la l\xEDnea 2?"},
      {":vuelta;\r\n.saltar :vuelt;", "3:9 e",
       "No existe la etiqueta :vuelt a la que salta el programa. \xBF"
       "Quer\xED"
       "a decir :vuelta?"},
      {":vuelta;\r\n.saltar vuelta;", "3:9 e", "Las etiquetas empiezan por : (.saltar :vuelta;)"},
      {"&a := 1; .saltar &a;", "2:10 e", "Los saltos llevan una etiqueta, que empieza por :"},
      {"&t := ~a; .avisso &t;", "2:11 e",
       "\xBF"
       "Quer\xED"
       "a decir .aviso?"},
      {"&t := ~a; &m := %may &t;", "2:11 e", "Las funciones se escriben en may\xFAsculas: %MAY"},
      {"&t := ~a; &m := %MAY &t &t;", "2:11 e", "La funci\xF3n %MAY lleva 1 operando"},
      {"&t := ~a; @m := %MAY &t;", "2:11 e", "Solo %TODAY, %DEBUG y %RECORD dan valor a una constante"},
      {"&a = 5;", "2:4 e",
       "\xBFQuer\xED"
       "a decir :=?"},
      {"&menos := -12;", "2:11 e",
       "-12 no es un n\xFAmero: KAL no escribe n\xFAmeros negativos. Haga el negativo restando de cero "
       "(&cero := 0; &menos := &cero - 12;)"},
      {"&a := 1; &m := &a - -1;", "2:21 e", "o cambie la cuenta (restar -1 es sumar 1)"},
      {"&ventas := 120|95|140;", "2:15 e",
       "Una lista no se escribe con |: se construye elemento a elemento con "
       "%METER (&x := 120; &ventas := %METER &x;)"},
      {"&c := 1; .cmp &c ~;", "2:18 e",
       "No hay texto vac\xEDo: ~ solo no es nada. El texto vac\xEDo es %CAR de 0"},
      {"'nota con ^ dentro;", "2:11 e", "Un comentario no puede llevar ^"},
      // Joins that keep their first operand, numbers with a decimal comma, a "_" in a file name.
      {"&s := ~Hola; &s := &s + ~.;", "2:25 w",
       "~. no se junta: un texto escrito de solo cifras y puntos no es un texto general"},
      {"&s := ~a; &r := ~123 + &s;", "2:17 w", "~123 no es un texto general (solo cifras y puntos)"},
      {"&x := ~a; &l := %METER &x; &l := %METER &x; &t := &l + ~x;", "2:51 w",
       "&l tiene una lista (con |) desde la l\xEDnea 2"},
      {"&z := 0; &v := %CAR &z; &w := ~a + &v;", "2:36 w", "&v es el texto vac\xEDo desde la l\xEDnea 2"},
      {"&l := &l + ~_Ana;", "2:7 w", "&l a\xFAn no ha recibido valor: es el texto vac\xEDo"},
      {"&a := 12,40;", "2:9 e", "KAL escribe los decimales con punto: 12.40. Un dato con coma"},
      {"&a := 1; &b := &a + ~8,5;", "2:23 e", "KAL escribe los decimales con punto: 8.5."},
      {"&a := 1.234,56;", "2:12 e",
       "KAL escribe los decimales con punto y sin separar los millares: 1234.56"},
      {"&h := %TODAY; &f := ~25/12/2026; &d := &f - &h;", "2:40 w",
       "&f es una fecha, un texto (d\xED"
       "a/mes/a\xF1o) que no es un n\xFAmero: la cuenta deja en &d el valor de &f"},
      {"&h := %TODAY; &d := %WEEKDAYNAME &h; &s := ~S\xE1"
       "bado; .cmp &d &s;",
       "2:61 w",
       "&s lleva un d\xED"
       "a con acento, y %WEEKDAYNAME escribe los d\xED"
       "as sin acentos (Miercoles, Sabado)"},
      {"&f := ~copia_; &o := ~a.txt; &e := %COPIAF &o &f;", "2:7 w",
       "~copia_ lleva _, que KAL lee como un espacio: el nombre de fichero o carpeta que recibe %COPIAF"},
  };
  for (const auto& row : rows) {
    const Lines found = problems(std::string(".codigo;\r\n") + row.body + "\r\n.fin;\r\n");
    const auto hit = std::find_if(found.begin(), found.end(), [&](const std::string& p) {
      return p.starts_with(std::string(row.where) + " ") && p.find(row.hint) != std::string::npos;
    });
    EXPECT_NE(hit, found.end()) << row.body << "\n" << testing::PrintToString(found);
  }
}

TEST(ScriptChecker, JoinsThatDoJoinAndValuesALabelMayChange) {
  // A point inside a longer text joins; after a label, a list may have been started afresh by a jump.
  EXPECT_EQ(problems(".codigo;\r\n&s := ~a;\r\n&s := &s + ~_fin.;\r\n&l := %METER &s;\r\n:b;\r\n"
                     "&l := %METER &s;\r\n&t := &l + ~x;\r\n&f := ~a.txt;\r\n&e := %EXISTE &f;\r\n.fin;\r\n"),
            Lines{});
}

TEST(ScriptChecker, Labels) {
  EXPECT_EQ(
      problems(".codigo;\r\n:uno;\r\n:dos_tres;\r\n:uno;\r\n.saltar :nada;\r\n.saltar :dos_tres;\r\n"
               ".saltaruno :uno;\r\n.fin;\r\n"),
      (Lines{"2:1 w la etiqueta :uno se repite m\xE1s abajo: los saltos van a la \xFAltima",
             "3:1 w la etiqueta :dos_tres nunca se registra porque su nombre lleva _: saltar a ella termina "
             "el programa",
             "5:9 e No existe la etiqueta :nada a la que salta el programa.",
             "6:9 e No existe la etiqueta :dos_tres a la que salta el programa."}));
}

TEST(ScriptChecker, VariablesReadButNeverAssigned) {
  EXPECT_EQ(
      problems(".codigo;\r\n&a := &b + &c;\r\n&c := 1;\r\n.aviso &a;\r\n&x := @k + ~!;\r\n"
               "&n := %SIZE &b;\r\n.fin;\r\n"),
      (Lines{"2:7 w &b se lee pero nunca recibe valor: vale el texto vac\xEDo",
             "2:12 w &c a\xFAn no ha recibido valor: es el texto vac\xEDo, que no es de ninguna clase y no "
             "se junta: la suma deja en &a el valor de &b sin juntarle nada. D\xE9le antes un valor (&c := "
             "~Lista:;)",
             "5:7 w @k se lee pero nunca recibe valor: vale el texto vac\xEDo"}));
}

TEST(ScriptChecker, TabsLongTokensAndCutRecords) {
  const std::string long_text = "~" + std::string(299, 'x');
  EXPECT_EQ(
      problems(".codigo;\r\n&a := " + long_text + ";\r\n.aviso\t&a;\r\n.fin;\r\n"),
      (Lines{"2:7 w la palabra tiene 300 caracteres: KAL solo lee los 255 primeros",
             "3:1 e .aviso\t&a: Esta expresi\xF3n es ERRONEA !!",
             "3:7 w un tabulador pegado a una palabra forma parte de ella: sep\xE1relas con espacios"}));
  // A comment of 1100 words: its shape alone passes 1023 characters.
  std::string many = ".codigo;\r\n'nota";
  for (int i = 0; i < 1100; ++i) many += " a";
  EXPECT_EQ(problems(many + ";\r\n.fin;\r\n"),
            Lines{"2:1 w la sentencia compilada pasa de 1023 caracteres: se corta"});
}

TEST(ScriptChecker, AScriptSavedAsUtf8) {
  // "a\xF1o" saved as UTF-8 is "a\xC3\xB1o": valid UTF-8 that Windows-1252 reads as two letters.
  // The first such sequence is pointed at; "\xC3" is no character of a text, so the token is refused too (and
  // the statement it leaves behind is not reported again).
  EXPECT_EQ(
      problems(".codigo;\r\n&t := ~a\xC3\xB1o;\r\n.aviso &t;\r\n.fin;\r\n"),
      (Lines{"2:7 e ~a\xC3\xB1o: Esta expresi\xF3n es ERRONEA !!",
             "2:9 w el fichero parece estar guardado en UTF-8: gu\xE1rdelo en Windows-1252 (ANSI), o cada "
             "\xF1 y cada acento se leer\xE1 como dos caracteres"}));
  // Windows-1252 text with accents is not valid UTF-8: no warning.
  EXPECT_EQ(problems(".codigo;\r\n&t := ~a\xF1o;\r\n.aviso &t;\r\n.fin;\r\n"), Lines{});
}

TEST(ScriptChecker, LimitsReachedAndApproached) {
  std::string near = ".codigo;";
  for (int i = 0; i < 30000; ++i) near += ";";
  near += ".fin;";
  EXPECT_EQ(problems(near), Lines{"1:1 w el programa tiene 30002 sentencias, cerca del l\xEDmite de 32767"});
  std::string words = ".codigo;";
  for (int i = 0; i < 30000; ++i) words += "&a 1;";  // ":=" may be left out: three tokens a statement
  EXPECT_EQ(
      problems(words + ".fin;"),
      (Lines{"1:1 w el programa tiene 90004 elementos (palabras y signos), cerca del l\xEDmite de 100000",
             "1:1 w el programa tiene 30002 sentencias, cerca del l\xEDmite de 32767"}));
  std::string over = ".codigo;" + std::string(32766, ';') + ".fin;";  // 32768 statements
  EXPECT_EQ(problems(over), Lines{"1:32779 e El c\xF3"
                                  "digo tiene m\xE1s de 32767 sentencias y no se puede ejecutar."});
}

TEST(ScriptChecker, FormatIsTheCompilersOneInUtf8) {
  Problem p;
  p.line = 3;
  p.column = 7;
  p.message = "hola!\r\nEsta expresi\xF3n es ERRONEA !!";
  EXPECT_EQ(format_problem("guion.txt", p),
            "guion.txt:3:7: error: hola! Esta expresi\xC3\xB3n es ERRONEA !!");
  p = Problem{};
  p.error = false;
  p.message = "x";
  EXPECT_EQ(format_problem("g.txt", p), "g.txt:1:1: warning: x");
}

// The checker decides whether a script compiles, and the debugger runs what it compiled: over every script of
// the repository, it must agree with the interpreter's own start-up and compile the same records (the labels
// are built from them).
TEST(ScriptChecker, CompilesWhatTheInterpreterCompiles) {
  std::size_t scripts = 0, refused = 0;
  for (const char* folder : {"/tests/cases", "/examples"}) {
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(KAL_SOURCE_DIR + std::string(folder))) {
      if (entry.path().extension() != ".txt") continue;
      std::ifstream file(entry.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << file.rdbuf();
      Program checked;
      const Analysis analysis = analyze_script(bytes.str(), &checked);
      std::string text = bytes.str();
      join_lines_in_place(text);
      Program program;
      const bool compiles = !compile_script(text, program);
      ++scripts;
      refused += compiles ? 0 : 1;
      ASSERT_EQ(analysis.compiles, compiles) << entry.path();
      if (!compiles) continue;
      EXPECT_EQ(checked.statements, program.statements) << entry.path();
      EXPECT_EQ(checked.token_count, program.token_count) << entry.path();
      EXPECT_EQ(checked.database_name, program.database_name) << entry.path();
    }
  }
  EXPECT_GT(scripts, 100u);
  EXPECT_GT(refused, 5u);  // the refused ones are compared too
}

}  // namespace
}  // namespace kal::check

create or replace package body str_util
as
  /*
   * String and collection helpers.
   * Collections use the schema level type STRING_TAB
   * (create type string_tab as table of varchar2(4000)).
   */

  type t_word_rec is record (
    word varchar2(4000),
    pos  pls_integer
  );

  gc_ws constant varchar2(4) := ' ' || chr(9) || chr(10) || chr(13);

  ---------------------------------------------------------------------------
  function split (
    p_text  in varchar2,
    p_delim in varchar2 default ','
  ) return string_tab
  is
    l_result string_tab := string_tab();
    l_start  pls_integer := 1;
    l_pos    pls_integer;
  begin
    if p_text is null then
      return l_result;
    end if;
    loop
      l_pos := instr(p_text, p_delim, l_start);
      l_result.extend;
      if l_pos = 0 then
        l_result(l_result.last) := substr(p_text, l_start);
        exit;
      end if;
      l_result(l_result.last) := substr(p_text, l_start, l_pos - l_start);
      l_start := l_pos + length(p_delim);
    end loop;
    return l_result;
  end split;

  ---------------------------------------------------------------------------
  function join (
    p_list  in string_tab,
    p_delim in varchar2 default ','
  ) return varchar2
  is
    l_out varchar2(32767);
  begin
    if p_list is null or p_list.count = 0 then
      return null;
    end if;
    for i in 1 .. p_list.count loop
      l_out := l_out || case when i > 1 then p_delim end || p_list(i);
    end loop;
    return l_out;
  end join;

  ---------------------------------------------------------------------------
  -- enquote('abc')            -> "abc"
  -- enquote('abc', '[', ']')  -> [abc]
  function enquote (
    p_str        in varchar2,
    p_open_char  in varchar2 default '"',
    p_close_char in varchar2 default '"'
  ) return varchar2
  is
  begin
    return p_open_char
        || replace(p_str, p_close_char, p_close_char || p_close_char)
        || p_close_char;
  end enquote;

  ---------------------------------------------------------------------------
  function trim_all (p_str in varchar2) return varchar2
  is
  begin
    return regexp_replace(trim(both ' ' from translate(p_str, gc_ws, '    ')), ' {2,}', ' ');
  end trim_all;

  ---------------------------------------------------------------------------
  -- removes "--" line comments and block comments from a piece of SQL;
  -- quoted text is not parsed, this is for log output only
  function strip_comments (p_sql in varchar2) return varchar2
  is
    l_out   varchar2(32767) := p_sql;
    l_start pls_integer;
    l_end   pls_integer;
    l_eol   pls_integer;
  begin
    loop
      l_start := instr(l_out, '/*');
      exit when l_start = 0;
      l_end := instr(l_out, '*/', l_start + 2);
      if l_end = 0 then
        l_out := substr(l_out, 1, l_start - 1);
        exit;
      end if;
      l_out := substr(l_out, 1, l_start - 1) || substr(l_out, l_end + 2);
    end loop;
    loop
      l_start := instr(l_out, '--');
      exit when l_start = 0;
      l_eol := instr(l_out, chr(10), l_start);
      l_out := substr(l_out, 1, l_start - 1)
            || case when l_eol > 0 then substr(l_out, l_eol) end;
    end loop;
    return l_out;
  end strip_comments;

  ---------------------------------------------------------------------------
  function words (p_text in varchar2) return string_tab
  is
    cursor c_words (p_txt varchar2) return t_word_rec is
      select regexp_substr(p_txt, '[^[:space:]]+', 1, level) as word,
             level                                           as pos
        from dual
     connect by regexp_substr(p_txt, '[^[:space:]]+', 1, level) is not null;
    l_w      t_word_rec;
    l_result string_tab := string_tab();
  begin
    Open C_Words(p_text);
    Loop
      Fetch c_WORDS Into l_w;
      Exit When c_words%NotFound;
      l_result.extend;
      l_result(l_result.last) := l_w.word;
    End Loop;
    Close c_words;
    return l_result;
  end words;

  ---------------------------------------------------------------------------
  function to_title_case (p_text in varchar2) return varchar2
  is
    l_words string_tab;

    function cap (p_word in varchar2) return varchar2 is
    begin
      -- keep short connecting words lower case, like "of", "and", "to"
      if length(p_word) <= 3 and lower(p_word) in ('of', 'and', 'to', 'the', 'a', 'in') then
        return lower(p_word);
      end if;
      return upper(substr(p_word, 1, 1)) || lower(substr(p_word, 2));
    end cap;
  begin
    l_words := words(p_text);
    for i in 1 .. l_words.count loop
      l_words(i) := case when i = 1 then initcap(l_words(i)) else cap(l_words(i)) end;
    end loop;
    return join(l_words, ' ');
  end to_title_case;

  ---------------------------------------------------------------------------
  function dedupe (p_list in string_tab) return string_tab
  is
    cursor c_dist is
      select distinct column_value
        from table(p_list)
       order by 1;
    l_result string_tab := string_tab();
  begin
    if p_list is null then
      return l_result;
    end if;
    open c_dist;
    fetch c_dist bulk collect into l_result;
    return l_result;
  end dedupe;

  ---------------------------------------------------------------------------
  function distinct_count (p_list in string_tab) return pls_integer
  is
    cursor c_dist is
      select count(distinct column_value)
        from table(p_list);
    l_n pls_integer;
  begin
    open c_dist;
    fetch c_dist into l_n;
    close c_dist;
    return nvl(l_n, 0);
  end distinct_count;

  ---------------------------------------------------------------------------
  function contains_all (p_list in string_tab, p_required in string_tab) return boolean
  is
  begin
    if p_required is null then
      return true;
    end if;
    <<outer>>
    for i in 1 .. p_required.count loop
      for j in 1 .. nvl(p_list.count, 0) loop
        continue outer when p_list(j) = p_required(i);
      end loop;
      return false;   -- p_required(i) not found
    end loop outer;
    return true;
  end contains_all;

  ---------------------------------------------------------------------------
  function pad_center (p_str in varchar2, p_width in pls_integer, p_fill in varchar2 default ' ')
    return varchar2
  is
    l_len  pls_integer := nvl(length(p_str), 0);
    l_left pls_integer;
  begin
    if l_len >= p_width then
      return p_str;
    end if;
    l_left := trunc((p_width - l_len) / 2);
    return rpad(lpad(nvl(p_str, p_fill), l_left + l_len, p_fill), p_width, p_fill);
  end pad_center;

  ---------------------------------------------------------------------------
  -- wraps text at p_width; words longer than the width are cut
  function wrap_text (p_text in varchar2, p_width in pls_integer default 72) return varchar2
  is
    l_words string_tab := words(p_text);
    l_line  varchar2(32767);
    l_out   varchar2(32767);

    procedure flush_line is
    begin
      if l_line is not null then
        l_out  := l_out || case when l_out is not null then chr(10) end || l_line;
        l_line := null;
      end if;
    end flush_line;
  begin
    for i in 1 .. l_words.count loop
      declare
        l_word varchar2(4000) := l_words(i);
      begin
        while length(l_word) > p_width loop
          flush_line;
          l_line := substr(l_word, 1, p_width);
          l_word := substr(l_word, p_width + 1);
        end loop;
        if nvl(length(l_line), 0) + length(l_word) + 1 > p_width then
          flush_line;
        end if;
        l_line := l_line || case when l_line is not null then ' ' end || l_word;
      end;
    end loop;
    flush_line;
    return l_out;
  end wrap_text;

  ---------------------------------------------------------------------------
  -- list of the values of a key=value string, e.g. 'a=1;b=2' -> ('1','2')
  function kv_values (p_text in varchar2, p_pair_sep in varchar2 default ';') return string_tab
  is
    l_pairs  string_tab := split(p_text, p_pair_sep);
    l_result string_tab := string_tab();
    l_eq     pls_integer;
  begin
    for i in 1 .. l_pairs.count loop
      l_eq := instr(l_pairs(i), '=');
      continue when l_eq = 0;
      l_result.extend;
      l_result(l_result.last) := substr(l_pairs(i), l_eq + 1);
    end loop;
    return l_result;
  end kv_values;

end str_util;
/

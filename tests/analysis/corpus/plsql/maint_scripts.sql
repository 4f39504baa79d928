-- =============================================================================
-- maint_scripts.sql
--
-- Weekly maintenance: statistics, unusable indexes, old partitions of the
-- log tables and invalid objects. Safe to run more than once.
--
--   sqlplus app_owner@prod @maint_scripts.sql
-- =============================================================================
set define off
set serveroutput on size unlimited
set timing on
set linesize 200

prompt --- creating procedure MAINT_REBUILD_INDEXES

create or replace procedure maint_rebuild_indexes (p_owner in varchar2)
  authid current_user
is
  cursor c_idx (cp_owner varchar2) is
    select owner, index_name, partitioned
      from all_indexes
     where owner  = cp_owner
       and status = 'UNUSABLE'
        or (owner = cp_owner and partitioned = 'YES');

  cursor c_ind_partitions (cp_owner varchar2, cp_index varchar2) is
    select partition_name
      from all_ind_partitions
     where index_owner = cp_owner
       and index_name  = cp_index
       and status      = 'UNUSABLE';

  r_idx    c_idx%rowtype;
  l_pname  all_ind_partitions.partition_name%type;
  l_stmt   varchar2(1000);
begin
  open c_idx(upper(p_owner));
  loop
    fetch c_idx into r_idx;
    exit when c_idx%notfound;

    if r_idx.partitioned = 'YES' then
      open c_ind_partitions(r_idx.owner, r_idx.index_name);
      loop
        fetch c_ind_partitions into l_pname;
        exit when c_ind_partitions%notfound;
        l_stmt := 'alter index "' || r_idx.owner || '"."' || r_idx.index_name
               || '" rebuild partition "' || l_pname || '" online';
        dbms_output.put_line(l_stmt);
        execute immediate l_stmt;
      end loop;
    else
      l_stmt := 'alter index "' || r_idx.owner || '"."' || r_idx.index_name || '" rebuild online';
      dbms_output.put_line(l_stmt);
      execute immediate l_stmt;
    end if;
  end loop;
  close c_idx;
end maint_rebuild_indexes;
/
show errors

prompt --- creating procedure MAINT_COMPILE_INVALID

create or replace procedure maint_compile_invalid (p_owner in varchar2 default user)
  authid current_user
is
  l_round  pls_integer := 0;
  l_left   pls_integer;
begin
  <<rounds>>
  loop
    l_round := l_round + 1;
    for o in (select object_name, object_type
                from all_objects
               where owner  = upper(p_owner)
                 and status = 'INVALID'
                 and object_type in ('PACKAGE', 'PACKAGE BODY', 'PROCEDURE',
                                     'FUNCTION', 'TRIGGER', 'VIEW', 'TYPE', 'TYPE BODY')
               order by case object_type
                          when 'TYPE'         then 1
                          when 'PACKAGE'      then 2
                          when 'VIEW'         then 3
                          else 4
                        end)
    loop
      begin
        case o.object_type
          when 'PACKAGE BODY' then
            execute immediate 'alter package "' || upper(p_owner) || '"."' || o.object_name || '" compile body';
          when 'TYPE BODY' then
            execute immediate 'alter type "' || upper(p_owner) || '"."' || o.object_name || '" compile body';
          else
            execute immediate 'alter ' || o.object_type || ' "' || upper(p_owner) || '"."'
                           || o.object_name || '" compile';
        end case;
      exception
        when others then
          -- compile errors are expected in the first rounds; keep going
          dbms_output.put_line('  ' || o.object_type || ' ' || o.object_name || ': ' || sqlerrm);
      end;
    end loop;

    select count(*)
      into l_left
      from all_objects
     where owner  = upper(p_owner)
       and status = 'INVALID';

    exit rounds when l_left = 0 or l_round >= 3;
  end loop rounds;

  dbms_output.put_line('invalid objects left: ' || l_left);
end maint_compile_invalid;
/
show errors

prompt --- gathering statistics of stale tables

declare
  l_owner varchar2(128) := sys_context('USERENV', 'CURRENT_SCHEMA');
begin
  dbms_output.put_line('BEGIN statistics ' || to_char(sysdate, 'YYYY-MM-DD HH24:MI'));
  for t in (select table_name
              from user_tab_statistics
             where stale_stats = 'YES'
                or last_analyzed is null)
  loop
    dbms_stats.gather_table_stats(ownname => l_owner,
                                  tabname => t.table_name,
                                  cascade => true);
  end loop;
  dbms_output.put_line('END statistics');
end;
/

prompt --- dropping log partitions older than 13 months

declare
  cursor c_old is
    select table_name, partition_name, high_value
      from user_tab_partitions
     where table_name in ('APP_LOG', 'AUDIT_EVENTS_ARCH')
     order by table_name, partition_position;
  r_old      c_old%rowtype;
  l_high     date;
  l_cutoff   date := add_months(trunc(sysdate, 'MM'), -13);
  l_dropped  pls_integer := 0;
begin
  open c_old;
  loop
    fetch c_old into r_old;
    exit when c_old%notfound;
    -- high_value is a LONG with text like TO_DATE(' 2021-01-01 00:00:00', ...)
    execute immediate 'begin :d := ' || r_old.high_value || '; end;' using out l_high;
    if l_high <= l_cutoff then
      execute immediate 'alter table ' || r_old.table_name
                     || ' drop partition ' || r_old.partition_name || ' update indexes';
      l_dropped := l_dropped + 1;
    end if;
  end loop;
  close c_old;
  dbms_output.put_line(l_dropped || ' partitions dropped');
exception
  when others then
    if c_old%isopen then
      close c_old;
    end if;
    dbms_output.put_line('partition drop stopped: ' || sqlerrm);
    raise;
end;
/

prompt --- rebuilding unusable indexes

begin
  maint_rebuild_indexes(user);
  maint_compile_invalid(user);
end;
/

prompt --- maintenance finished
